// The window as the user drives it: path fields, choosers, layout, boxes and the bar.

#include "application_setup.h"
#include "file_chooser.h"
#include "main_form.h"
#include "remembered_output_type.h"
#include "test_support.h"
#include "window_opening.h"
#include "window_services.h"

#include <QAccessible>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QSettings>
#include <QStyle>
#include <QStyleOption>
#include <QtTest>

using namespace captiloom::window;
using captiloom::conversion::Services;
using captiloom::conversion::TimedLine;
namespace voice = captiloom::voice;

// Answers with a prepared name and type (no name: a cancel); notes its folder and
// the type it opened with.
class FakeFileChooser : public FileChooser
{
public:
    QString answer, openedIn;
    qsizetype type = 0;
    QStringList openedWith;

protected:
    std::optional<Choice> ask(const QList<FileType> &, qsizetype selected,
                              const QString &folder) override
    {
        openedIn = folder;
        openedWith << QString::number(selected);
        return answer.isEmpty() ? std::nullopt : std::optional(Choice { answer, type });
    }
};

// What a screen reader says a widget is called, and what more it says of it.
static QString said(QObject *widget, QAccessible::Text what = QAccessible::Name)
{
    return QAccessible::queryAccessibleInterface(widget)->text(what);
}

// A window whose choosers answer as told.
struct Window
{
    FakeFileChooser *chooser1 = new FakeFileChooser, *chooser2 = new FakeFileChooser;
    MainForm form { std::unique_ptr<FileChooser>(chooser1),
                    std::unique_ptr<FileChooser>(chooser2) };

    void click(const QString &name)
    {
        QTest::mouseClick(form.findChild<QWidget *>(name), Qt::LeftButton);
    }
    QLineEdit *box(QChar row) const { return form.findChild<QLineEdit *>(u"Text"_s + row); }
    // Text1|Text2|SourcePath|OutputPath|enabled boxes
    QString paths() const
    {
        return QStringList { box(u'1')->text(), box(u'2')->text(), form.SourcePath(),
                             form.OutputPath(),
                             u"%1%2"_s.arg(box(u'1')->isEnabled()).arg(box(u'2')->isEnabled()) }
            .join(u'|');
    }
};

// Runs `act`; describes each box that comes up (title|text as shown|icon|buttons|default,
// and what a screen reader says where that is not its title and text), shows it to `look`
// and closes it with `key`.
static QStringList whileBoxes(const std::function<void()> &act, Qt::Key key = Qt::Key_Return,
                              const std::function<void(QMessageBox *)> &look = {})
{
    QStringList seen;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box)
            return;
        const QMetaEnum buttons = QMetaEnum::fromType<QMessageBox::StandardButtons>();
        const auto names = [&buttons](int value) {
            const char *one = buttons.valueToKey(value); // Ok rather than its alias
            return QString::fromLatin1(one ? QByteArray(one) : buttons.valueToKeys(value));
        };
        // The label's name is its text as drawn: markup taken as such is gone.
        const QString shown = said(box->findChild<QLabel *>(u"qt_msgbox_label"_s));
        const char *icon = QMetaEnum::fromType<QMessageBox::Icon>().valueToKey(box->icon());
        QStringList described { box->windowTitle(), shown, QString::fromLatin1(icon),
                                names(box->standardButtons().toInt()) };
        for (QAbstractButton *button : box->buttons()) // buttons of its own, by their texts
            if (!box->standardButton(button))
                described << button->text();
        const QMessageBox::StandardButton byDefault = box->standardButton(box->defaultButton());
        seen << (described << (box->defaultButton() && !byDefault ? box->defaultButton()->text()
                                                                  : names(byDefault)))
                    .join(u'|');
        if (said(box) != box->windowTitle() || said(box, QAccessible::Description) != shown)
            seen.last() += u", read as "_s + said(box) + u'|' + said(box, QAccessible::Description);
        if (look)
            look(box);
        QTest::keyClick(box, key);
    });
    timer.start(10);
    act();
    return seen;
}

class TestWindow : public QObject
{
    Q_OBJECT

    std::optional<QTemporaryDir> m_settings;

private slots:
    // Every test starts as a user with no settings, in a file of its own, never the
    // registry or the user's own settings.
    void initTestCase() { QSettings::setDefaultFormat(QSettings::IniFormat); }
    void init()
    {
        m_settings.emplace();
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, m_settings->path());
    }

    // "1:<name>", "2:<name>": a browse button whose chooser answers <name>
    // (empty: cancels), "s:<name>" the output's with the SRT type; "t1:", "t2:": a box's text
    // typed; "a:" a source on the command line; "u:" local files (or addresses) dropped, '+'
    // between them, "x:" text dropped: only one local file is taken. "~": the folder.
    void pathActions_data()
    {
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QString>("state"); // Text1|Text2|SourcePath|OutputPath|enabled boxes
        QTest::addColumn<QString>("onConvert"); // what the convert button then shows
        using namespace shown;
        const QString prompts = u"请选择需要转换的TXT文件|请选择输出路径和文件名|||"_s;
        const QString chosen =
            u"D:\\字幕\\片头.txt|D:\\字幕\\片头(字幕).utf|D:\\字幕\\片头.txt|D:\\字幕\\片头(字幕).utf|"_s;
        const QString taken = u"~片头 1.txt|~片头 1(字幕).utf|~片头 1.txt|~片头 1(字幕).utf|11"_s;
        const QString refused = u"请选择需要转换的TXT文件|成品.utf||成品.utf|01"_s;
        // clang-format off
        QTest::newRow("source cancelled first") << u"1:"_s << prompts + u"00" << noSource;
        QTest::newRow("output cancelled first") << u"2:"_s << prompts + u"00" << noSource;
        QTest::newRow("source") << u"1:D:\\字幕\\片头.txt"_s << chosen + u"10" << sourceMissing;
        QTest::newRow("output, then source") << u"2:/成品.utf|1:D:\\字幕\\片头.txt"_s << chosen + u"11" << sourceMissing;
        QTest::newRow("source cancelled later") << u"1:D:\\字幕\\片头.txt|2:/成品.utf|1:"_s << chosen + u"11" << sourceMissing;
        QTest::newRow("output cancelled later") << u"2:/成品.utf|t2:/别的.utf|2:"_s << u"请选择需要转换的TXT文件|/成品.utf||/成品.utf|01"_s << noSource;
        // Every ".txt", in exactly that case, becomes "(字幕).utf".
        QTest::newRow("source typed") << u"1:/a.txt|t1:/b.txt/c.TXT.Txt.txtx.txt"_s
            << u"/b.txt/c.TXT.Txt.txtx.txt|/b(字幕).utf/c.TXT.Txt(字幕).utfx(字幕).utf|/b.txt/c.TXT.Txt.txtx.txt|/b(字幕).utf/c.TXT.Txt(字幕).utfx(字幕).utf|10"_s << sourceMissing;
        QTest::newRow("output cleared") << u"1:/a.txt|2:/成品.utf|t2:"_s << u"/a.txt||/a.txt||11"_s << noOutput;
        QTest::newRow("argument, relative") << u"2:成品.utf|a:片头 1.txt"_s << taken << finished;
        QTest::newRow("drop, one file") << u"2:成品.utf|u:片头 1.txt"_s << taken << finished;
        QTest::newRow("drop, two files") << u"2:成品.utf|u:片头 1.txt+片头 1.txt"_s << refused << noSource;
        QTest::newRow("drop, a folder") << u"2:成品.utf|u:子目录"_s << refused << noSource;
        QTest::newRow("drop, a web address") << u"2:成品.utf|u:https://captiloom.invalid/片头 1.txt"_s << refused << noSource;
        QTest::newRow("drop, text") << u"1:/a.txt|x:片头 1.txt"_s << u"/a.txt|/a(字幕).utf|/a.txt|/a(字幕).utf|10"_s << sourceMissing;
        // Whatever is typed with the SRT type is an SRT file; a .srt typed with the utf type is too.
        QTest::newRow("SRT type, no extension") << u"s:/成品"_s << u"请选择需要转换的TXT文件|/成品.srt||/成品.srt|01"_s << noSource;
        QTest::newRow("SRT type, .SRT") << u"s:/成品.SRT"_s << u"请选择需要转换的TXT文件|/成品.SRT||/成品.SRT|01"_s << noSource;
        QTest::newRow("SRT type, .utf") << u"s:/成品.utf|2:"_s << u"请选择需要转换的TXT文件|/成品.utf.srt||/成品.utf.srt|01"_s << noSource;
        QTest::newRow(".srt, utf type") << u"2:/成品.srt"_s << u"请选择需要转换的TXT文件|/成品.srt||/成品.srt|01"_s << noSource;
        // clang-format on
    }
    void pathActions()
    {
        QFETCH(QString, steps);
        TemporaryFolder folder;
        QVERIFY(QDir().mkdir(u"子目录"_s));
        QVERIFY(writeFile(u"片头 1.txt"_s, "\xd7\xd6\xc4\xbb\r\n"));
        Window window;
        auto *services = new RecordingServices;
        window.form.setServices(std::unique_ptr<Services>(services));
        for (const QString &step : steps.split(u'|')) {
            const QString value = step.section(u':', 1);
            if (step.startsWith(u't')) {
                QVERIFY(window.box(step[1])->isEnabled());
                window.box(step[1])->setText(value);
            } else if (step.startsWith(u'a')) {
                window.form.takeSource(value);
            } else if (step.startsWith(u'u') || step.startsWith(u'x')) {
                QMimeData data;
                QList<QUrl> urls;
                for (const QString &name : value.split(u'+'))
                    urls << (name.contains(u"://") ? QUrl(name)
                                                   : QUrl::fromLocalFile(folder.filePath(name)));
                step.startsWith(u'u') ? data.setUrls(urls) : data.setText(value);
                QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, {});
                QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, {});
                const QString before = window.paths();
                // On the source's box, which must not take it as typed text.
                QApplication::sendEvent(window.box(u'1'), &enter);
                QApplication::sendEvent(window.box(u'1'), &drop);
                // Accepted exactly when taken.
                QCOMPARE(enter.isAccepted() && drop.isAccepted(), window.paths() != before);
            } else {
                (step.startsWith(u'1') ? window.chooser1 : window.chooser2)->answer = value;
                window.chooser2->type = step.startsWith(u's');
                window.click(step.startsWith(u'1') ? u"Command1"_s : u"Command2"_s);
            }
        }
        QTEST(window.paths().replace(QDir::toNativeSeparators(folder.path() + u'/'), u"~"_s),
              "state");
        window.click(u"Command3"_s);
        QTEST(services->messages.join(u'\n'), "onConvert");
        QCOMPARE(QFile::exists(u"片头 1(字幕).utf"_s),
                 services->messages == QStringList { shown::finished });
    }

    // A recording beside the script by its name, or given (dropped or on the command line), is
    // named in the information line and offered on converting; aligning, the window takes no
    // new paths nor another run, and the bar moves; then the aligner's failure, or the success
    // with the lines to check. The exit button stops the aligner.
    void recording_data()
    {
        QTest::addColumn<QString>("files"); // besides 片头.txt, 片尾.txt
        // "a:" a file given, as a drop or a browse gives it; "t1:" typed; "w:" a file saved
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QString>("label"); // Label4
        // Yes to the question, then the aligner succeeds ("y", "y<unsure lines>"), fails ("y
        // fail") or the exit button is pressed ("y x"); No ("n")
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QString>("seen"); // the messages, then the aligner's calls
        // clang-format off
        const QString ask = u"要按配音“%1”给字幕对时吗？\n\n选“否”则按每行的字数估算时间。|按配音对时|yes/no|?\n"_s;
        const QString done = QString(6, u' ') + u"恭喜，恭喜！ 转换成功！\n\n字幕已按配音“%1”对时。"_s;
        const QString check = u"以下各行与上一行之间没有停顿，开始时间是估算的，请在剪辑软件中核对："_s;
        const QString finished = shown::finished + u'\n', credit = u"字幕织机 Captiloom —— 让每一句解说准时出现"_s;
        QString lines; // the script's second line is blank
        for (int line = 0; line < 12; ++line)
            lines += u"\n第%1行 00:00:%2,000 “字幕”"_s.arg(line + 1 + (line > 0)).arg(line, 2, 10, QChar(u'0'));
        QTest::newRow("beside") << u"片头.mp3 片头.WAV.txt 片尾.mp3"_s << u"a:片头.txt"_s << u"按配音对时：片头.mp3"_s << u"y"_s << ask.arg(u"片头.mp3") + done.arg(u"片头.mp3") + u"|<app>\n片头.mp3+13"_s;
        QTest::newRow("lossless first, in capitals") << u"片头.mp3 片头.WAV 片头.Flac"_s << u"a:片头.txt"_s << u"按配音对时：片头.WAV"_s << u"n"_s << ask.arg(u"片头.WAV") + finished;
        QTest::newRow("chosen again, one saved since") << u"片头.mp3"_s << u"a:片头.txt|w:片头.wav|a:片头.txt"_s << u"按配音对时：片头.wav"_s << u"n"_s << ask.arg(u"片头.wav") + finished;
        QTest::newRow("none beside") << u"片尾.mp3 片头(字幕).mp3 片头.mp3.txt 片头.ogg"_s << u"a:片头.txt"_s << credit << u""_s << finished;
        QTest::newRow("given") << u"片头.mp3 配音.M4A"_s << u"a:片头.txt|a:配音.M4A"_s << u"按配音对时：配音.M4A"_s << u"y fail"_s << ask.arg(u"配音.M4A") + u"配音里听不到说话声。\n\n不按配音对时也可以：再按“生 成 字 幕”，在询问时选“否”。|<app>\n配音.M4A+13"_s;
        QTest::newRow("given, then another source") << u"配音.aac"_s << u"a:片头.txt|a:配音.aac|a:片尾.txt"_s << credit << u""_s << finished;
        QTest::newRow("given before a source") << u"配音.aac"_s << u"a:配音.aac|a:片尾.txt"_s << u"按配音对时：配音.aac"_s << u"y13"_s << ask.arg(u"配音.aac") + done.arg(u"配音.aac") + check + lines + u"\n……另有1行|<app>\n配音.aac+13"_s;
        QTest::newRow("its script beside it") << u"片尾.flac"_s << u"a:片尾.flac"_s << u"按配音对时：片尾.flac"_s << u"y12"_s << ask.arg(u"片尾.flac") + done.arg(u"片尾.flac") + check + lines + u"|<app>\n片尾.flac+13"_s;
        QTest::newRow("no script") << u"配音.wav"_s << u"a:配音.wav"_s << u"按配音对时：配音.wav"_s << u""_s << shown::noSource + u'\n';
        QTest::newRow("source missing") << u"配音.wav"_s << u"a:配音.wav|t1:无此文件.txt"_s << u"按配音对时：配音.wav"_s << u""_s << shown::sourceMissing + u'\n';
        QTest::newRow("exit while aligning") << u"片头.wav"_s << u"a:片头.txt"_s << u"按配音对时：片头.wav"_s << u"y x"_s << ask.arg(u"片头.wav") + u"end\n片头.wav+13|stopped"_s;
        // clang-format on
    }
    void recording()
    {
        QFETCH(QString, files);
        QFETCH(QString, answer);
        TemporaryFolder folder;
        const QByteArray line = "\xd7\xd6\xc4\xbb\r\n";
        for (const QString &name : files.split(u' ') + QStringList { u"片头.txt"_s, u"片尾.txt"_s })
            QVERIFY(writeFile(name, line + "\r\n" + line.repeated(12)));
        Window window;
        auto *services = new RecordingServices;
        window.form.setServices(std::unique_ptr<Services>(services));
        services->answers << (answer == u"n" ? Services::Answer::No : Services::Answer::Yes);
        auto *convert = window.form.findChild<QPushButton *>(u"Command3"_s);
        QStringList calls, meanwhile;
        // Places every line a second after the one before, the first ones run on as told; or
        // fails. Meanwhile no new run nor paths, no focus for the exit button, and the bar moves.
        window.form.setAligner([&](const QString &recording, const QList<TimedLine> &lines,
                                   const voice::Progress &progress) {
            calls << QFileInfo(recording).fileName() + u'+' + QString::number(lines.size());
            progress(500);
            window.click(u"Command3"_s);
            meanwhile << u"%1%2%3"_s.arg(convert->isEnabled())
                             .arg(window.box(u'1')->isReadOnly())
                             .arg(!QApplication::focusWidget())
                      << services->calls.mid(services->calls.size() - 5);
            if (answer.endsWith(u'x'))
                window.click(u"Command4"_s);
            if (!progress(1000))
                calls << u"stopped"_s;
            voice::Alignment alignment { {},
                                         answer.endsWith(u"fail") ? u"配音里听不到说话声。"_s
                                                                  : QString() };
            for (qsizetype at = 0; alignment.succeeded() && at < lines.size(); ++at)
                alignment.times.append({ at * 1000, at * 1000 + 800, at < answer.mid(1).toInt() });
            return alignment;
        });
        QFETCH(QString, steps);
        for (const QString &step : steps.split(u'|')) {
            if (step.startsWith(u'w'))
                QVERIFY(writeFile(step.mid(2), line));
            else
                step.startsWith(u't') ? window.box(u'1')->setText(step.mid(3))
                                      : window.form.takeSource(step.mid(2));
        }
        QTEST(window.form.findChild<QLabel *>(u"Label4"_s)->text(), "label");
        window.form.show();
        QApplication::setActiveWindow(&window.form);
        QVERIFY(QTest::qWaitForWindowActive(&window.form));
        window.click(u"Command3"_s);
        QTEST(QString(services->messages.join(u'\n') + u'\n' + calls.join(u'|')), "seen");
        if (!answer.startsWith(u'y'))
            return;
        // The bar at the part decoded of the 15 s the lines' lengths make; full at the end.
        QCOMPARE(meanwhile.join(u' '), u"011 show max 1000 min 0 pos 0 pos 33"_s);
        QVERIFY(answer.endsWith(u'x') || (convert->hasFocus() && !window.box(u'1')->isReadOnly()));
        // At the aligner's times, its last line's here; nothing after a failure or an exit.
        const bool timed = !answer.contains(u' ');
        const QByteArray written = readFile(window.form.OutputPath());
        QCOMPARE(written.endsWith(QByteArray("00:00:12,000 --> 00:00:12,800\r\n" + line + "\r\n")),
                 timed);
        QCOMPARE(written == "<missing>", !timed);
        const QStringList bar = services->calls.filter(QRegularExpression(u"^(pos|hide|end)\\b"_s));
        QCOMPARE(bar.mid(bar.size() - 2).join(u' '),
                 timed                       ? u"pos 1000 hide"_s
                     : answer.endsWith(u'x') ? u"pos 33 end"_s
                                             : u"pos 66 hide"_s);
    }

    // The output chooser opens beside a source whose folder exists, where the derived name
    // puts the subtitles; else at its own last choice.
    void outputChooserFolder()
    {
        TemporaryFolder folder;
        QVERIFY(QDir().mkdir(u"子目录"_s));
        Window window;
        QStringList opened;
        for (const QString &source : { QString(), u"子目录/片头.txt"_s, u"无此目录/片头.txt"_s }) {
            window.form.takeSource(source);
            window.click(u"Command2"_s);
            opened << window.chooser2->openedIn;
        }
        QCOMPARE(opened, (QStringList { {}, folder.filePath(u"子目录"_s), {} }));
    }

    // The type chosen in the output chooser names the next source's output and is the one the
    // chooser opens with, from one start to the next; a cancel chooses nothing. Steps: "s:",
    // "2:" an output chosen with the SRT or the utf type (empty: cancelled), "1:" a source
    // chosen, "t1:" typed, "a:" on the command line, "r" a new start, "w:" a value stored by
    // hand before the first start.
    void outputTypeIsRemembered_data()
    {
        QTest::addColumn<QString>("steps");
        // Text2 ("~": the folder)|the type each showing of Command2 opened with|what is stored
        QTest::addColumn<QString>("result");
        // clang-format off
        QTest::newRow("no settings") << u"1:/a.txt|2:"_s << u"/a(字幕).utf|0|"_s;
        QTest::newRow("SRT, next source") << u"1:/a.txt|s:/成品|1:/b.txt"_s << u"/b(字幕).srt|0|srt"_s;
        QTest::newRow("SRT, next start") << u"s:/成品|r|1:/a.txt|2:"_s << u"/a(字幕).srt|0,1|srt"_s;
        QTest::newRow("utf chosen again") << u"s:/成品|2:/成品.utf|r|1:/a.txt|2:"_s << u"/a(字幕).utf|0,1,0|utf"_s;
        QTest::newRow("cancelled") << u"s:/成品|2:|1:/a.txt"_s << u"/a(字幕).srt|0,1|srt"_s;
        QTest::newRow("cancelled after a start") << u"s:/成品|r|2:|1:/a.txt"_s << u"/a(字幕).srt|0,1|srt"_s;
        QTest::newRow("every .txt") << u"s:/成品|1:/a.txt/b.TXT.txt.txt"_s << u"/a(字幕).srt/b.TXT(字幕).srt(字幕).srt|0|srt"_s;
        QTest::newRow("typed source") << u"s:/成品|1:/a.txt|t1:/c.txt"_s << u"/c(字幕).srt|0|srt"_s;
        QTest::newRow("command line") << u"s:/成品|r|a:片头 1.txt"_s << u"~片头 1(字幕).srt|0|srt"_s;
        // A name typed without extension under the utf type stays as typed.
        QTest::newRow("utf type, no extension") << u"s:/成品|1:/a.txt|2:/成品"_s << u"/成品|0,1|utf"_s;
        QTest::newRow("stored in capitals") << u"w:SRT|1:/a.txt|2:"_s << u"/a(字幕).srt|1|SRT"_s;
        QTest::newRow("stored otherwise") << u"w:srt2|1:/a.txt|2:"_s << u"/a(字幕).utf|0|srt2"_s;
        // clang-format on
    }
    void outputTypeIsRemembered()
    {
        QFETCH(QString, steps);
        TemporaryFolder folder;
        // Where the guide tells the user the setting is kept.
        QSettings stored(QSettings::IniFormat, QSettings::UserScope, u"Captiloom"_s,
                         u"captiloom"_s);
        std::optional<Window> window;
        QStringList openedWith;
        for (const QString &step : steps.split(u'|')) {
            const QString value = step.section(u':', 1);
            if (step.startsWith(u'w')) {
                stored.setValue(u"OutputType"_s, value);
                stored.sync();
                continue;
            }
            if (!window || step == u"r") {
                if (window)
                    openedWith << window->chooser2->openedWith;
                window.emplace();
            }
            if (step.startsWith(u"t1"))
                window->box(u'1')->setText(value);
            else if (step.startsWith(u'a'))
                window->form.takeSource(value);
            else if (step != u"r") {
                (step.startsWith(u'1') ? window->chooser1 : window->chooser2)->answer = value;
                window->chooser2->type = step.startsWith(u's');
                window->click(step.startsWith(u'1') ? u"Command1"_s : u"Command2"_s);
            }
        }
        openedWith << window->chooser2->openedWith;
        stored.sync();
        const QString output = window->box(u'2')->text().replace(
            QDir::toNativeSeparators(folder.path() + u'/'), u"~"_s);
        QTEST(
            QStringList({ output, openedWith.join(u','), stored.value(u"OutputType"_s).toString() })
                .join(u'|'),
            "result");
    }

    // What the window shows before anything is done: every text exactly, leading spaces
    // included; what is enabled and shown (the bar hidden, so that the credit line shows);
    // the Tab cycle, from where the focus starts; what a screen reader says of each control.
    void initialFace_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("text");
        // e enabled, v visible, n: nth in the Tab cycle | the name a screen
        // reader says | its description, if any
        QTest::addColumn<QString>("state");
        const QString help =
            u"    将字幕文字断行,去掉标点符号,分段用空行.存为TXT文件并导入.生成的\r\n\r\n"
            u"字幕按照正常解说的节奏,智能决定字幕的显示时间.导入Reelvane后作精确\r\n\r\n"
            u"调整.每行文字最多20字,导入时可选择字体为新宋体,大小21至23等."_s;
        const QString credit = u"字幕织机 Captiloom —— 让每一句解说准时出现"_s;
        // clang-format off
        QTest::newRow("window") << u"MainForm"_s << u"CaptiloomV3.5"_s << u"ev|CaptiloomV3.5"_s;
        QTest::newRow("Label1") << u"Label1"_s << u"源TXT文件"_s << u"ev|源TXT文件"_s;
        QTest::newRow("Text1") << u"Text1"_s << u"请选择需要转换的TXT文件"_s << u"v|源TXT文件"_s;
        QTest::newRow("Command1") << u"Command1"_s << u"浏览\u2026"_s << u"ev0|浏览\u2026|选择要转换的TXT文件"_s;
        QTest::newRow("Label2") << u"Label2"_s << u" 输出文件"_s << u"ev| 输出文件"_s;
        QTest::newRow("Text2") << u"Text2"_s << u"请选择输出路径和文件名"_s << u"v| 输出文件"_s;
        QTest::newRow("Command2") << u"Command2"_s << u"浏览\u2026"_s << u"ev1|浏览\u2026|选择输出的字幕文件"_s;
        QTest::newRow("Command3") << u"Command3"_s << u"生 成 字 幕"_s << u"ev2|生 成 字 幕"_s;
        QTest::newRow("Command4") << u"Command4"_s << u"退   出"_s << u"ev3|退   出"_s;
        QTest::newRow("Frame1") << u"Frame1"_s << u"提示"_s << u"ev|提示"_s;
        QTest::newRow("Label3") << u"Label3"_s << help << u"ev|"_s + help;
        QTest::newRow("Label4") << u"Label4"_s << credit << u"ev|"_s + credit;
        QTest::newRow("ProgressBar1") << u"ProgressBar1"_s << QString() << u"e|字幕生成进度"_s;
        // clang-format on
    }
    void initialFace()
    {
        QFETCH(QString, name);
        MainForm form;
        form.show();
        QApplication::setActiveWindow(&form);
        QVERIFY(QTest::qWaitForWindowActive(&form));
        QWidgetList cycle;
        for (QWidget *next = QApplication::focusWidget(); next && !cycle.contains(next);
             next = QApplication::focusWidget()) {
            cycle << next;
            QTest::keyClick(next, Qt::Key_Tab);
        }
        auto *widget = name == form.objectName() ? &form : form.findChild<QWidget *>(name);
        QVERIFY(widget);
        const char *text = widget == &form      ? "windowTitle"
            : qobject_cast<QGroupBox *>(widget) ? "title"
                                                : "text";
        QTEST(widget->property(text).toString(), "text");
        const qsizetype tab = cycle.indexOf(widget);
        QStringList state { (widget->isEnabled() ? u"e"_s : QString())
                                + (widget->isVisible() ? u"v"_s : QString())
                                + (tab < 0 ? QString() : QString::number(tab)),
                            said(widget), said(widget, QAccessible::Description) };
        state.removeAll(QString());
        QTEST(state.join(u'|'), "state");
    }

    // Texts as written, whatever markup a path or a line holds, in boxes a
    // screen reader calls by their titles; a failure's box before the end.
    void boxes()
    {
        QWidget window;
        WindowServices services(window, *new QProgressBar(&window));
        const QString line = u"第1行含有无法保存的字符“<b>”。"_s;
        const QString failure = u"无法读取文件 /home/<b>字幕</b>/<i>片头.txt：输入/输出错误"_s;
        const QStringList seen = whileBoxes([&] {
            services.showMessage(line);
            services.showMessage(u"<b>要覆盖吗？"_s, u"覆盖确认"_s, Services::Buttons::YesNo, true);
            QTimer::singleShot(0, [&] { services.reportFailure(failure); });
            QCOMPARE(QApplication::exec(), 0);
        });
        QCOMPARE(seen,
                 QStringList({ u"CaptiloomV3.5|"_s + line + u"|NoIcon|Ok|NoButton"_s,
                               u"覆盖确认|<b>要覆盖吗？|Question|Yes|No|Yes"_s,
                               u"CaptiloomV3.5|"_s + failure + u"|Critical|Ok|NoButton"_s }));
    }

    // The window's services in a run: the box over the window; behind it the bar, drawn where
    // the run stands (not at every setting); the program ending, as after a failure.
    void servicesInARun_data()
    {
        QTest::addColumn<QByteArray>("source");
        QTest::addColumn<QString>("box"); // as whileBoxes describes it
        QTest::addColumn<QString>("bar"); // as the box appears
        QTest::addColumn<bool>("ends");
        QTest::addColumn<QByteArray>("document"); // when one is to be checked
        // convert, exit, or convert over an old output: replace (Enter) or keep (Esc)
        QTest::addColumn<QString>("press");
        const QByteArray lines = QByteArray("ab\r\n").repeated(2999), missing = "<missing>";
        const QString title = u"CaptiloomV3.5|"_s, ok = u"|NoIcon|Ok|NoButton"_s;
        const QString finished = title + shown::finished.section(u'|', 0, 0) + ok;
        const QString question = u"覆盖确认|目标文件已存在，要覆盖吗？！|Question|Yes|No|Yes"_s;
        // clang-format off
        QTest::newRow("finished") << lines + "ab" << finished << u"3000 of 1-3000"_s << false << QByteArray() << u"convert"_s;
        QTest::newRow("one line") << QByteArray("ab") << finished << u"1 of 0-1"_s << false << QByteArray() << u"convert"_s;
        QTest::newRow("too long") << lines + QByteArray(24, 'x') << title + shown::tooLong.arg(3000).section(u'|', 0, 0) + ok
            << u"2999 of 1-3000"_s << true << missing << u"convert"_s;
        QTest::newRow("failure") << QByteArray("ab\r\n").repeated(32768) << title + u"源文件 脚本.txt 超过 32767 行，无法转换。|Critical|Ok|NoButton"_s
            << u"hidden"_s << true << missing << u"convert"_s;
        // At once, even with another window open.
        QTest::newRow("exit button") << lines << QString() << u"no box"_s << true << missing << u"exit"_s;
        QTest::newRow("replace") << QByteArray("ab\r\ncd") << question + u'\n' + finished << u"2 of 1-2"_s << false
            << block(1, "00:00:12,440 --> 00:00:13,440", "ab") + block(2, "00:00:13,440 --> 00:00:14,440", "cd") << u"replace"_s;
        QTest::newRow("keep") << QByteArray("ab") << question << u"hidden"_s << false << QByteArray("old") << u"keep"_s;
        // clang-format on
    }
    void servicesInARun()
    {
        QFETCH(QByteArray, source);
        QFETCH(QString, press);
        TemporaryFolder folder;
        QVERIFY(writeFile(u"脚本.txt"_s, source));
        if (press == u"replace" || press == u"keep")
            QVERIFY(writeFile(u"脚本(字幕).utf"_s, "old"));
        QWidget other; // another window, which must not keep the program running
        other.show();
        Window window;
        MainForm &form = window.form;
        form.show();
        window.chooser1->answer = u"脚本.txt"_s;
        window.click(u"Command1"_s);
        const auto *bar = form.findChild<QProgressBar *>(u"ProgressBar1"_s);
        QString atBox = u"no box"_s;
        int status = -1;
        const auto run = [&] {
            QTimer::singleShot(0, &form, [&] {
                window.click(press == u"exit" ? u"Command4"_s : u"Command3"_s);
                // Had the run ended the program, this would come too late.
                QTimer::singleShot(100, &form, [] { QCoreApplication::exit(1); });
            });
            QTimer::singleShot(10000, &form, [] { QCoreApplication::exit(99); });
            status = QApplication::exec();
        };
        const Qt::Key key = press == u"replace" ? Qt::Key_Return : Qt::Key_Escape;
        const QStringList boxes = whileBoxes(run, key, [&](QMessageBox *shown) {
            atBox = bar->isVisible()
                ? u"%1 of %2-%3"_s.arg(bar->value()).arg(bar->minimum()).arg(bar->maximum())
                : u"hidden"_s;
            if (bar->isTextVisible()) // no percentage where the credit line was
                atBox += u", reads "_s + bar->text();
            if (!form.isVisible() || !form.frameGeometry().contains(shown->geometry().center()))
                atBox += u", not over the window"_s;
        });
        QTEST(boxes.join(u'\n'), "box");
        QTEST(atBox, "bar");
        QFETCH(bool, ends);
        QCOMPARE(status, ends ? 0 : 1);
        QCOMPARE(form.isVisible(), !ends);
        QVERIFY(ends || bar->isHidden());
        QFETCH(QByteArray, document);
        if (!document.isEmpty())
            QCOMPARE(readFile(u"脚本(字幕).utf"_s), document);
    }

    // The window a command line opens: under --split --open the prose split, named or asked
    // for (cancelled: the window stays empty), the script chosen and told of in a box over the
    // window that hands it to the system's editor (Return) or closes (Esc).
    void opening_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("prose"); // answered in the chooser that asks for it
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("seen"); // the chooser (title|types), the boxes (whileBoxes)
        QTest::addColumn<QString>("state"); // SourcePath, what the editor was handed, the status
        // clang-format off
        const QString box = u"CaptiloomV3.5|"_s, chooser = u"选择要自动断行的文字|Text Files(*.txt)\n"_s;
        const QString written = box + u"已把“片头.txt”断成 3 行字幕、0 处停顿，写成断行稿“片头(断行).txt”，放在原文旁边；窗口里选好的源文件就是它。\n\n"
            u"转换之前，请先打开断行稿读一遍：每行是否断在自然的停顿处，人名、术语等词语有没有被拆开。需要时在编辑器里修改并保存，再按“生\u00A0成\u00A0字\u00A0幕”。\n\n"
            u"注意：断行稿第1行的字符“😀”只有 .srt 字幕文件能保存：输出文件选择“SRT 字幕 UTF-8”类型就能保留它；要转换成 .utf，请先删掉或换掉它。|NoIcon|Close|打开断行稿|打开断行稿"_s;
        const QStringList split { u"--split"_s, u"--open"_s, u"片头.txt"_s }, launcher = split.mid(0, 2);
        const int open = Qt::Key_Return, close = Qt::Key_Escape;
        QTest::newRow("a file") << QStringList { u"片头.txt"_s } << QString() << open << QString() << u"片头.txt||0"_s;
        QTest::newRow("split, opened") << split << QString() << open << written << u"片头(断行).txt|片头(断行).txt|0"_s;
        QTest::newRow("split, opener failed") << split << QString() << open << written + u'\n' + box + u"没能用系统的文本编辑器打开断行稿“片头(断行).txt”，请自己用文本编辑器打开它。|NoIcon|Ok|NoButton"_s << u"片头(断行).txt|片头(断行).txt|0"_s;
        QTest::newRow("script kept") << split << QString() << open << box + u"已有断行稿“片头(断行).txt”，没有重新断行，窗口里选好的就是它。要按原文重新断行，请先删除这份断行稿或给它改名。|NoIcon|Ok|NoButton"_s << u"片头(断行).txt||1"_s;
        QTest::newRow("launcher, closed") << launcher << u"片头.txt"_s << close << chooser + written << u"片头(断行).txt||0"_s;
        QTest::newRow("launcher, cancelled") << launcher << QString() << close << chooser.chopped(1) << u"||0"_s;
        // clang-format on
    }
    void opening()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, prose);
        TemporaryFolder folder;
        QVERIFY(writeFile(u"片头.txt"_s,
                          u"第一句话在这里😀。第二句话也在这里。第三句话还在这里。"_s.toUtf8()));
        if (QTest::currentDataTag() == QByteArrayView("script kept"))
            QVERIFY(writeFile(u"片头(断行).txt"_s, "old"));
        const auto commandLine =
            captiloom::console::parseCommandLine(QStringList { u"captiloom"_s } + arguments);
        Window window;
        WindowOpening opening(window.form, commandLine, std::nullopt);
        QString opened;
        opening.setOpener([&opened](const QUrl &url) {
            opened = QFileInfo(url.toLocalFile()).fileName();
            return QTest::currentDataTag() != QByteArrayView("split, opener failed");
        });
        QStringList asked; // the prose chooser, answered as the row says
        QTimer chooser;
        connect(&chooser, &QTimer::timeout, [&] {
            if (auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget())) {
                asked << dialog->windowTitle() + u'|' + dialog->nameFilters().join(u';');
                dialog->findChild<QLineEdit *>(u"fileNameEdit"_s)->setText(folder.filePath(prose));
                prose.isEmpty() ? dialog->reject() : static_cast<QDialog *>(dialog)->accept();
            }
        });
        chooser.start(10);
        QFETCH(QString, seen);
        QFETCH(int, key);
        qsizetype shown = 0;
        const QStringList boxes = whileBoxes(
            [&] {
                window.form.show();
                // Each box is shown and closed before this looks again.
                QVERIFY(QTest::qWaitFor([&] {
                    return asked.size() + shown
                        == seen.count(u"CaptiloomV3.5|") + seen.count(u"选择要自动断行的文字|");
                }));
            },
            Qt::Key(key),
            [&](QMessageBox *box) {
                ++shown;
                if (!window.form.frameGeometry().contains(box->geometry().center()))
                    asked << u"a box not over the window"_s;
            });
        QCOMPARE((asked + boxes).join(u'\n'), seen);
        QTEST(QStringList({ QFileInfo(window.form.SourcePath()).fileName(), opened,
                            QString::number(opening.status()) })
                  .join(u'|'),
              "state");
    }

    // An open dialog for the source, a save dialog for the output (an open one refuses a new
    // file); neither asks before replacing, since the run does, nor adds an extension. Each
    // offers its last choice again, in its folder, which a cancel gives back.
    void fileDialogs_data()
    {
        QTest::addColumn<QString>("row"); // of the button and the box
        QTest::addColumn<QString>("typed"); // a file that does not exist yet
        QTest::addColumn<int>("type"); // chosen in the list of types; SRT adds ".srt"
        QTest::addColumn<QString>("seen"); // filters|accept mode|asks nothing|suffix
        QTest::addColumn<QString>("filterAfter"); // the type selected at the next showing
        const QString utf = u"utf Files(*.utf)"_s, srt = u"SRT 字幕 UTF-8 (*.srt)"_s;
        QTest::newRow("source") << u"1"_s << u"新 片头.txt"_s << 0 << u"Text Files(*.txt)|0|1|"_s
                                << u"Text Files(*.txt)"_s;
        // Windows' save dialog would add ".utf" to the name.
        const QString output =
            u"%1;%2|%3|1|"_s.arg(utf, srt).arg(QSysInfo::productType() == u"windows" ? 0 : 1);
        QTest::newRow("output") << u"2"_s << u"新 片头"_s << 0 << output << utf;
        QTest::newRow("output, SRT") << u"2"_s << u"新 片头"_s << 1 << output << srt;
    }
    void fileDialogs()
    {
        QFETCH(QString, row);
        QFETCH(QString, typed);
        QTemporaryDir dir;
        MainForm form;
        form.show();
        auto *pathBox = form.findChild<QLineEdit *>(u"Text"_s + row);
        QString seen;
        const auto whenShown = [&](const std::function<void(QFileDialog *)> &act) {
            QTimer::singleShot(0, [&] {
                auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
                act(dialog);
                if (dialog->isVisible()) // a cancel, unless accepted
                    dialog->reject();
            });
            form.findChild<QPushButton *>(u"Command"_s + row)->click();
        };
        whenShown([&](QFileDialog *dialog) {
            seen = u"%1|%2|%3|%4"_s.arg(dialog->nameFilters().join(u';'))
                       .arg(int(dialog->acceptMode()))
                       .arg(dialog->testOption(QFileDialog::DontConfirmOverwrite))
                       .arg(dialog->defaultSuffix());
            dialog->setDirectory(dir.path());
            QFETCH(int, type);
            dialog->selectNameFilter(dialog->nameFilters().value(type));
            dialog->findChild<QLineEdit *>(u"fileNameEdit"_s)->setText(typed);
            static_cast<QDialog *>(dialog)->accept(); // as its Open or Save button does
            typed += type ? u".srt"_s : QString();
        });
        QTEST(seen, "seen");
        const QString chosen = QDir::toNativeSeparators(dir.filePath(typed));
        QCOMPARE(pathBox->text(), chosen);

        // Opened again on the type chosen, and on it again after a new start.
        pathBox->setText(u"别的"_s);
        QString filter;
        whenShown([&](QFileDialog *dialog) {
            seen = dialog->selectedFiles().join(u';') + u'|' + dialog->directory().path();
            filter = dialog->selectedNameFilter();
        });
        QCOMPARE(seen, QDir::fromNativeSeparators(chosen) + u'|' + QDir(dir.path()).path());
        QTEST(filter, "filterAfter");
        QCOMPARE(pathBox->text(), chosen);
    }

    // A run finds the bar as the last left it and sets maximum, minimum and position, in that
    // order; none may fail, and the hidden bar keeps where the run ended.
    void progress()
    {
        QWidget window;
        QProgressBar *bar = new QProgressBar(&window);
        WindowServices services(window, *bar);
        const auto run = [&](float maximum, float position) {
            services.showProgress();
            services.setProgressMaximum(maximum);
            services.setProgressMinimum(1);
            services.setProgressPosition(position);
            const bool shown = bar->isVisibleTo(&window);
            services.hideProgress();
            const double span = bar->maximum() - bar->minimum();
            return shown && bar->isHidden() ? (bar->value() - bar->minimum()) / span : -1;
        };
        run(500, 480);
        QCOMPARE(run(5, 3), 0.5); // a maximum below the old position
        QCOMPARE(run(1, 1), 1.0); // a one-line source
        QCOMPARE(run(3, 2), 0.5); // a range past the old one
    }

    // Set now and then while events are handled, as while the aligner decodes: shown soon.
    void progressWhileWaiting()
    {
        QWidget window;
        QProgressBar *bar = new QProgressBar(&window);
        WindowServices services(window, *bar);
        services.showProgress();
        services.setProgressPosition(2); // the first at once
        services.setProgressPosition(3);
        QTRY_COMPARE(bar->value(), 3);
    }

    // The layout grows with the font, set before the window opens or while it is open: each
    // text fits its box, and edges drawn on one line stay on one line of pixels, so that
    // nothing drawn edge to edge gains a gap or an overlap of a pixel.
    void layoutAtEveryFontSize_data()
    {
        QTest::addColumn<qreal>("points");
        QTest::addColumn<bool>("whileOpen");
        for (const qreal points : { 9.0, 10.0, 11.0, 12.0, 14.0, 16.0, 18.0, 20.0 })
            QTest::addRow("%g pt", points) << points << false;
        QTest::newRow("13 pt while open") << 13.0 << true;
    }
    void layoutAtEveryFontSize()
    {
        QFETCH(qreal, points);
        QFETCH(bool, whileOpen);
        const QFont before = QApplication::font();
        const auto restore = qScopeGuard([&before] { QApplication::setFont(before); });
        QFont font = fontWithChinese(before); // as the program does
        font.setPointSizeF(points);
        if (!whileOpen)
            QApplication::setFont(font);
        MainForm form;
        // A recording's name too long for the information line.
        form.takeSource(
            u"配音 第三版 最终版 真的最终版本 2024年12月 给视频号和B站的那一版 narration final.wav"_s);
        if (whileOpen)
            QApplication::setFont(font);
        QTRY_COMPARE(form.font().pointSizeF(), points);
        const auto control = [&form](const char *name) {
            return form.findChild<QWidget *>(QLatin1String(name));
        };

        QStringList wrong;
        for (const char *name : { "Label1", "Text1", "Command1", "Label2", "Text2", "Command2",
                                  "Command3", "Command4", "Label4" }) {
            QWidget *widget = control(name);
            QStyle *style = widget->style();
            // A label's text may reach one pixel below its box, where a
            // line's descent holds no ink, and keeps off its last column.
            QRect room = widget->contentsRect().adjusted(0, 0, -1, 1);
            if (auto *button = qobject_cast<QPushButton *>(widget)) {
                QStyleOptionButton option;
                option.initFrom(button);
                option.text = button->text();
                room = style->subElementRect(QStyle::SE_PushButtonContents, &option, button);
            } else if (auto *box = qobject_cast<QLineEdit *>(widget)) {
                QStyleOptionFrame option;
                option.initFrom(box);
                option.lineWidth = style->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, box);
                // The box keeps 2 pixels across and 1 down clear of its text.
                room = style->subElementRect(QStyle::SE_LineEditContents, &option, box)
                           .adjusted(2, 1, -2, -1);
            }
            const QFontMetricsF metrics(widget->font());
            const QString text = widget->property("text").toString();
            if (metrics.horizontalAdvance(text) > room.width() || metrics.height() > room.height())
                wrong << QString::fromLatin1(name) + u" cut"_s;
        }
        auto *help = form.findChild<QLabel *>(u"Label3"_s);
        if (help->heightForWidth(help->width()) > help->height())
            wrong << u"Label3 cut"_s;
        // Pairs that share the edges marked (left, top, right, bottom, in the window): a row's
        // box and button, the two buttons, frames and frame texts, the bar over its frame.
        const auto edges = [&](const char *name, const char *shared) {
            const QRect r(control(name)->mapTo(&form, QPoint()), control(name)->size());
            const int all[] = { r.left(), r.top(), r.right(), r.bottom() };
            QList<int> kept;
            for (int i = 0; i < 4; ++i)
                kept << (shared[i] == '1' ? all[i] : 0);
            return kept;
        };
        const char *const pairs[][3] = {
            { "Text1", "Command1", "0101" },    { "Text2", "Command2", "0101" },
            { "Command3", "Command4", "0101" }, { "Frame1", "Frame2", "1010" },
            { "Label3", "Label4", "0010" },     { "Frame2", "ProgressBar1", "0011" },
        };
        for (const auto &[first, second, shared] : pairs)
            if (edges(first, shared) != edges(second, shared))
                wrong << QString::fromLatin1(first) + u" and "_s + QString::fromLatin1(second);
        for (QWidget *child : form.findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
            if (!form.rect().contains(child->geometry()))
                wrong << child->objectName() + u" outside the window"_s;
        QVERIFY2(wrong.isEmpty(), qPrintable(wrong.join(u", "_s)));
    }
};

QTEST_MAIN(TestWindow)
#include "test_window.moc"
