// The window as the user drives it: the path fields and their choosers, the
// derived output name, and the services through which a run reaches the user.

#include "application_setup.h"
#include "application_title.h"
#include "file_chooser.h"
#include "main_form.h"
#include "test_support.h"
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
#include <QStyle>
#include <QStyleOption>
#include <QtTest>

using namespace captiloom::window;
using captiloom::conversion::Services;

// Answers with a prepared name and type, an empty name standing for a
// cancel, and notes the folder it was to open in.
class FakeFileChooser : public FileChooser
{
public:
    QString answer, openedIn;
    qsizetype type = 0;

protected:
    std::optional<Choice> ask(const QList<FileType> &, const QString &folder) override
    {
        openedIn = folder;
        return answer.isEmpty() ? std::nullopt : std::optional(Choice { answer, type });
    }
};

// The lines of a Linux-saved script in GBK, spelled out: Windows' Qt has no GBK
// converter of its own to make them (清晨的阳光照进小院, 孩子们在院子里奔跑,
// 傍晚时分炊烟升起来了).
static const QByteArray gbkLines[] = {
    "\xc7\xe5\xb3\xbf\xb5\xc4\xd1\xf4\xb9\xe2\xd5\xd5\xbd\xf8\xd0\xa1\xd4\xba",
    "\xba\xa2\xd7\xd3\xc3\xc7\xd4\xda\xd4\xba\xd7\xd3\xc0\xef\xb1\xbc\xc5\xdc",
    "\xb0\xf8\xcd\xed\xca\xb1\xb7\xd6\xb4\xb6\xd1\xcc\xc9\xfd\xc6\xf0\xc0\xb4\xc1\xcb",
};

// A window whose choosers answer as told, and which reports a run to
// `services` when asked to.
struct Window
{
    FakeFileChooser *chooser1 = new FakeFileChooser, *chooser2 = new FakeFileChooser;
    MainForm form { std::unique_ptr<FileChooser>(chooser1),
                    std::unique_ptr<FileChooser>(chooser2) };
    RecordingServices *services = nullptr;

    explicit Window(bool recording = false)
    {
        if (recording)
            form.setServices(std::unique_ptr<Services>(services = new RecordingServices));
    }
    void click(const QString &name)
    {
        QTest::mouseClick(form.findChild<QWidget *>(name), Qt::LeftButton);
    }
    // Text1|Text2|SourcePath|OutputPath|enabled boxes
    QString paths() const
    {
        const auto *text1 = box(u'1'), *text2 = box(u'2');
        return QStringList { text1->text(), text2->text(), form.SourcePath(), form.OutputPath(),
                             u"%1%2"_s.arg(text1->isEnabled()).arg(text2->isEnabled()) }
            .join(u'|');
    }
    QLineEdit *box(QChar row) const { return form.findChild<QLineEdit *>(u"Text"_s + row); }
};

// Runs `act`; each message box that comes up meanwhile is described
// (title|text|icon|buttons|default button), shown to `look`, and closed with `key`.
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
        seen << QStringList { box->windowTitle(), box->text(),
                              QString::fromLatin1(
                                  QMetaEnum::fromType<QMessageBox::Icon>().valueToKey(box->icon())),
                              names(box->standardButtons().toInt()),
                              names(box->standardButton(box->defaultButton())) }
                    .join(u'|');
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
    QWidget m_window;
    QProgressBar *m_bar = new QProgressBar(&m_window);
    WindowServices m_services { m_window, *m_bar };

private slots:
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
        QTest::newRow("Windows folders") << u"1:D:\\x.txt\\y.txt"_s
            << u"D:\\x.txt\\y.txt|D:\\x(字幕).utf\\y(字幕).utf|D:\\x.txt\\y.txt|D:\\x(字幕).utf\\y(字幕).utf|10"_s << sourceMissing;
        QTest::newRow("output cleared") << u"1:/a.txt|2:/成品.utf|t2:"_s << u"/a.txt||/a.txt||11"_s << noOutput;
        QTest::newRow("argument, relative") << u"2:成品.utf|a:片头 1.txt"_s << taken << finished;
        QTest::newRow("drop, one file") << u"2:成品.utf|u:片头 1.txt"_s << taken << finished;
        QTest::newRow("drop, two files") << u"2:成品.utf|u:片头 1.txt+片头 1.txt"_s << refused << noSource;
        QTest::newRow("drop, a folder") << u"2:成品.utf|u:子目录"_s << refused << noSource;
        QTest::newRow("drop, a web address") << u"2:成品.utf|u:https://captiloom.invalid/片头 1.txt"_s << refused << noSource;
        QTest::newRow("drop, text") << u"2:成品.utf|x:片头 1.txt"_s << refused << noSource;
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
        Window window(true);
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
                QApplication::sendEvent(&window.form, &enter);
                QApplication::sendEvent(&window.form, &drop);
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
        QTEST(window.services->messages.join(u'\n'), "onConvert");
        QCOMPARE(QFile::exists(u"片头 1(字幕).utf"_s),
                 window.services->messages == QStringList { shown::finished });
    }

    // The output chooser opens beside a source whose folder exists, where
    // the derived name puts the subtitles; else at its own last choice.
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

    // What the window shows before anything is done: every text exactly,
    // leading spaces included; what is enabled and shown (the bar hidden, so
    // that the credit line shows); the Tab cycle, from where the focus
    // starts; and what a screen reader says of each control the user meets,
    // the progress bar included, which shows nothing but its bar.
    void initialFace_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("text");
        // e enabled, v visible, n: nth in the Tab cycle, r named for a screen reader
        QTest::addColumn<QString>("state");
        const QString help =
            u"    将字幕文字断行,去掉标点符号,分段用空行.存为TXT文件并导入.生成的\r\n\r\n"
            u"字幕按照正常解说的节奏,智能决定字幕的显示时间.导入Reelvane后作精确\r\n\r\n"
            u"调整.每行文字最多20字,导入时可选择字体为新宋体,大小21至23等."_s;
        // clang-format off
        QTest::newRow("window") << u"MainForm"_s << u"CaptiloomV3.5"_s << u"evr"_s;
        QTest::newRow("Label1") << u"Label1"_s << u"源TXT文件"_s << u"evr"_s;
        QTest::newRow("Text1") << u"Text1"_s << u"请选择需要转换的TXT文件"_s << u"vr"_s;
        QTest::newRow("Command1") << u"Command1"_s << u"浏览\u2026"_s << u"ev0r"_s;
        QTest::newRow("Label2") << u"Label2"_s << u" 输出文件"_s << u"evr"_s;
        QTest::newRow("Text2") << u"Text2"_s << u"请选择输出路径和文件名"_s << u"vr"_s;
        QTest::newRow("Command2") << u"Command2"_s << u"浏览\u2026"_s << u"ev1r"_s;
        QTest::newRow("Command3") << u"Command3"_s << u"生 成 字 幕"_s << u"ev2r"_s;
        QTest::newRow("Command4") << u"Command4"_s << u"退   出"_s << u"ev3r"_s;
        QTest::newRow("Frame1") << u"Frame1"_s << u"提示"_s << u"evr"_s;
        QTest::newRow("Label3") << u"Label3"_s << help << u"evr"_s;
        QTest::newRow("Frame2") << u"Frame2"_s << QString() << u"ev"_s;
        QTest::newRow("Label4") << u"Label4"_s << u"字幕织机 Captiloom —— 让每一句解说准时出现"_s << u"evr"_s;
        QTest::newRow("ProgressBar1") << u"ProgressBar1"_s << QString() << u"er"_s;
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
        const QString said = QAccessible::queryAccessibleInterface(widget)->text(QAccessible::Name);
        const QString state = (widget->isEnabled() ? u"e"_s : QString())
            + (widget->isVisible() ? u"v"_s : QString())
            + (tab < 0 ? QString() : QString::number(tab))
            + (said.trimmed().isEmpty() ? QString() : u"r"_s);
        QTEST(state, "state");
    }

    // The window's own services in a run: the box over the window; behind it
    // the bar, already drawn where the run stands (the run sets it too often
    // to draw every setting); and the program ending, as after a failure.
    void servicesInARun_data()
    {
        QTest::addColumn<QByteArray>("source");
        QTest::addColumn<QString>("box"); // title|text|icon|buttons|default
        QTest::addColumn<QString>("bar"); // as the box appears
        QTest::addColumn<bool>("ends");
        QTest::addColumn<QByteArray>("document"); // when one is to be checked
        // convert, exit, or convert over an old output: replace (Enter) or keep (Esc)
        QTest::addColumn<QString>("press");
        const QByteArray lines = QByteArray("ab\r\n").repeated(2999);
        const QString title = u"CaptiloomV3.5|"_s, ok = u"|NoIcon|Ok|NoButton"_s;
        const QString finished = title + shown::finished.section(u'|', 0, 0) + ok;
        // clang-format off
        QTest::newRow("finished") << lines + "ab" << finished << u"3000 of 1-3000"_s << false << QByteArray() << u"convert"_s;
        QTest::newRow("too long") << lines + QByteArray(24, 'x') << title + shown::tooLong.arg(3000).section(u'|', 0, 0) + ok
            << u"2999 of 1-3000"_s << true << QByteArray("<missing>") << u"convert"_s;
        QTest::newRow("failure") << QByteArray("ab\r\n").repeated(32768) << title + u"源文件 脚本.txt 超过 32767 行，无法转换。|Critical|Ok|NoButton"_s
            << u"hidden"_s << true << QByteArray("<missing>") << u"convert"_s;
        // At once, even with another window open.
        QTest::newRow("exit button") << lines << QString() << u"no box"_s << true << QByteArray("<missing>") << u"exit"_s;
        const QString question = u"覆盖确认|目标文件已存在，要覆盖吗？！|Question|Yes|No|Yes"_s;
        QTest::newRow("replace") << QByteArray("ab\r\ncd") << question + u'\n' + finished << u"2 of 1-2"_s << false
            << block(1, "00:00:12,440 --> 00:00:13,440", "ab") + block(2, "00:00:13,440 --> 00:00:14,440", "cd") << u"replace"_s;
        QTest::newRow("keep") << QByteArray("ab") << question << u"hidden"_s << false << QByteArray("old") << u"keep"_s;
        // clang-format on
        // Scripts saved by Linux editors end their lines with LF alone: the
        // window converts them line by line, whatever their encoding.
        const QString script =
            u"清晨的阳光照进小院\n孩子们在院子里奔跑\n\n傍晚时分炊烟升起来了\n"_s;
        const QByteArray gbk = gbkLines[0] + '\n' + gbkLines[1] + "\n\n" + gbkLines[2] + '\n';
        const QByteArray document = block(1, "00:00:12,440 --> 00:00:15,440", gbkLines[0])
            + block(2, "00:00:15,440 --> 00:00:18,440", gbkLines[1])
            + block(3, "00:00:20,440 --> 00:00:23,440", gbkLines[2]);
        for (const auto &[encoding, bytes] : inEveryEncoding(script, gbk))
            QTest::addRow("LF only, %s", encoding)
                << bytes << finished << u"4 of 1-4"_s << false << document << u"convert"_s;
    }
    void servicesInARun()
    {
        QFETCH(QByteArray, source);
        QFETCH(QString, press);
        TemporaryFolder folder;
        QVERIFY(writeFile(u"脚本.txt"_s, source));
        if (press == u"replace" || press == u"keep")
            QVERIFY(writeFile(u"脚本(字幕).utf"_s, "old"));
        m_window.show(); // another window, which must not keep the program running
        const auto hide = qScopeGuard([this] { m_window.hide(); });
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

    // The platform's dialogs: an open dialog for the source, a save dialog for
    // the output (an open one refuses a new file); neither asks before
    // replacing, since the run does, nor adds an extension. Each offers its
    // last choice again, which a cancel gives back. That nothing of a closed
    // dialog keeps the keyboard is checked with real keystrokes under a
    // window manager: scripts/check-keyboard.
    void fileDialogs_data()
    {
        QTest::addColumn<QString>("row"); // of the button and the box
        QTest::addColumn<QString>("typed"); // a file that does not exist yet
        QTest::addColumn<int>("type"); // chosen in the list of types; SRT adds ".srt"
        QTest::addColumn<QString>("seen"); // filters|accept mode|asks nothing|suffix
        QTest::newRow("source") << u"1"_s << u"新 片头.txt"_s << 0 << u"Text Files(*.txt)|0|1|"_s;
        // Windows' save dialog would add ".utf" to the name.
        const QString output = u"utf Files(*.utf);SRT 字幕 UTF-8 (*.srt)|%1|1|"_s.arg(
            QSysInfo::productType() == u"windows" ? 0 : 1);
        QTest::newRow("output") << u"2"_s << u"新 片头"_s << 0 << output;
        QTest::newRow("output, SRT") << u"2"_s << u"新 片头"_s << 1 << output;
    }
    void fileDialogs()
    {
        QFETCH(QString, row);
        QFETCH(QString, typed);
        QTemporaryDir dir;
        MainForm form;
        form.show();
        auto *pathBox = form.findChild<QLineEdit *>(u"Text"_s + row);
        const auto whenShown = [&](const std::function<void(QFileDialog *)> &act) {
            QTimer::singleShot(0, [&] {
                auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
                act(dialog);
                if (dialog->isVisible())
                    dialog->reject();
            });
            form.findChild<QPushButton *>(u"Command"_s + row)->click();
        };
        QString seen;
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

        pathBox->setText(u"别的"_s);
        whenShown([&](QFileDialog *dialog) { seen = dialog->selectedFiles().join(u';'); });
        QCOMPARE(seen, QDir::fromNativeSeparators(chosen));
        QCOMPARE(pathBox->text(), chosen);
    }

    // A run finds the bar as the last one left it, then sets maximum,
    // minimum and position, in that order; none of them may fail.
    void progress()
    {
        const auto run = [this](float maximum, float position) {
            m_services.showProgress();
            m_services.setProgressMaximum(maximum);
            m_services.setProgressMinimum(1);
            m_services.setProgressPosition(position);
            const bool shown = m_bar->isVisibleTo(&m_window);
            m_services.hideProgress();
            const double span = m_bar->maximum() - m_bar->minimum();
            return shown && m_bar->isHidden() ? (m_bar->value() - m_bar->minimum()) / span : -1;
        };
        run(500, 480);
        QCOMPARE(run(5, 3), 0.5); // a maximum below the old position
        QCOMPARE(run(1, 1), 1.0); // a one-line source
        QCOMPARE(run(3, 2), 0.5); // a range past the old one
    }

    // The layout grows with the font: each control's text, in the control's
    // font, fits the room its box leaves, whether the desktop's font was set
    // before the window opened or changed while it is open.
    void textFitsAtEveryFontSize_data()
    {
        QTest::addColumn<qreal>("points");
        QTest::addColumn<bool>("whileOpen");
        QTest::newRow("9 pt") << 9.0 << false;
        QTest::newRow("16 pt") << 16.0 << false;
        QTest::newRow("13 pt while open") << 13.0 << true;
    }
    void textFitsAtEveryFontSize()
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
        if (whileOpen)
            QApplication::setFont(font);
        QTRY_COMPARE(form.font().pointSizeF(), points);

        const auto room = [](QWidget *control) -> QRect {
            QStyle *style = control->style();
            if (auto *button = qobject_cast<QPushButton *>(control)) {
                QStyleOptionButton option;
                option.initFrom(button);
                option.text = button->text();
                return style->subElementRect(QStyle::SE_PushButtonContents, &option, button);
            }
            if (auto *box = qobject_cast<QLineEdit *>(control)) {
                QStyleOptionFrame option;
                option.initFrom(box);
                option.lineWidth = style->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, box);
                // The box keeps 2 pixels across and 1 down clear of its text.
                return style->subElementRect(QStyle::SE_LineEditContents, &option, box)
                    .adjusted(2, 1, -2, -1);
            }
            // A label's text may reach one pixel below its box, where a
            // line's descent holds no ink, and keeps off its last column.
            return control->contentsRect().adjusted(0, 0, -1, 1);
        };
        QStringList cut;
        for (const char *name : { "Label1", "Text1", "Command1", "Label2", "Text2", "Command2",
                                  "Command3", "Command4", "Label4" }) {
            auto *control = form.findChild<QWidget *>(QLatin1String(name));
            const QString text = control->property("text").toString();
            const QFontMetricsF metrics(control->font());
            const QSizeF needs(metrics.horizontalAdvance(text), metrics.height());
            const QRect has = room(control);
            if (needs.width() > has.width() || needs.height() > has.height())
                cut << QString::asprintf("%s %gx%g in %dx%d", name, needs.width(), needs.height(),
                                         has.width(), has.height());
        }
        // The help text wraps; its frame's title stays above it.
        auto *help = form.findChild<QLabel *>(u"Label3"_s);
        if (help->heightForWidth(help->width()) > help->height())
            cut << u"Label3"_s;
        auto *frame = form.findChild<QGroupBox *>(u"Frame1"_s);
        QStyleOptionGroupBox option;
        option.initFrom(frame);
        option.text = frame->title();
        option.subControls = QStyle::SC_GroupBoxLabel;
        const QRect title = frame->style()->subControlRect(QStyle::CC_GroupBox, &option,
                                                           QStyle::SC_GroupBoxLabel, frame);
        if (title.width() < QFontMetricsF(frame->font()).horizontalAdvance(frame->title())
            || title.bottom() >= help->y())
            cut << u"Frame1's title"_s;
        // And every control lies inside the window.
        for (QWidget *control : form.findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
            if (!form.rect().contains(control->geometry()))
                cut << control->objectName() + u" outside the window"_s;
        QVERIFY2(cut.isEmpty(), qPrintable(cut.join(u", "_s)));
    }
};

QTEST_MAIN(TestWindow)
#include "test_window.moc"
