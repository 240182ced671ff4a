// The window as the user drives it: the path fields and their choosers, the
// derived output name, and the services through which a run reaches the user.

#include "application_setup.h"
#include "application_title.h"
#include "file_chooser.h"
#include "main_form.h"
#include "test_support.h"
#include "window_services.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QCompleter>
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

// Answers with a prepared name, an empty one standing for a cancel.
class FakeFileChooser : public FileChooser
{
public:
    QString answer;

protected:
    std::optional<QString> ask(const QString &, const QString &) override
    {
        return answer.isEmpty() ? std::nullopt : std::optional(answer);
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

class TestWindow : public QObject
{
    Q_OBJECT
    QWidget m_window;
    QProgressBar *m_bar = new QProgressBar(&m_window);
    WindowServices m_services { m_window, *m_bar };

private slots:
    void pathActions_data()
    {
        // "1:<name>" and "2:<name>" press a browse button whose chooser
        // answers <name>, or cancels when it is empty; "t1:" and "t2:" set a
        // box's text as the user types it.
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QString>("state"); // Text1|Text2|SourcePath|OutputPath|enabled boxes
        QTest::addColumn<QString>("onConvert"); // what the convert button then shows
        using namespace shown;
        const QString prompts = u"请选择需要转换的TXT文件|请选择输出路径和文件名|||"_s;
        const QString chosen =
            u"D:\\字幕\\片头.txt|D:\\字幕\\片头(字幕).utf|D:\\字幕\\片头.txt|D:\\字幕\\片头(字幕).utf|"_s;
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
        // clang-format on
    }
    void pathActions()
    {
        QFETCH(QString, steps);
        auto *commonDialog1 = new FakeFileChooser, *commonDialog2 = new FakeFileChooser;
        MainForm form { std::unique_ptr<FileChooser>(commonDialog1),
                        std::unique_ptr<FileChooser>(commonDialog2) };
        auto *services = new RecordingServices;
        form.setServices(std::unique_ptr<Services>(services));
        auto *text1 = form.findChild<QLineEdit *>(u"Text1"_s);
        auto *text2 = form.findChild<QLineEdit *>(u"Text2"_s);
        for (const QString &step : steps.split(u'|')) {
            const QString value = step.section(u':', 1);
            if (step.startsWith(u't')) {
                QLineEdit *box = step.startsWith(u"t1") ? text1 : text2;
                QVERIFY(box->isEnabled());
                box->setText(value);
                continue;
            }
            (step.startsWith(u'1') ? commonDialog1 : commonDialog2)->answer = value;
            QTest::mouseClick(form.findChild<QWidget *>(u"Command"_s + step[0]), Qt::LeftButton);
        }
        const QStringList state { text1->text(), text2->text(), form.SourcePath(),
                                  form.OutputPath(),
                                  u"%1%2"_s.arg(text1->isEnabled()).arg(text2->isEnabled()) };
        QTEST(state.join(u'|'), "state");
        QTest::mouseClick(form.findChild<QWidget *>(u"Command3"_s), Qt::LeftButton);
        QTEST(services->messages.join(u'\n'), "onConvert");
    }

    // What the window shows before anything is done: every text exactly,
    // leading spaces included; what is enabled and shown (the bar hidden, so
    // that the credit line shows); and the Tab cycle, from where the focus
    // starts.
    void initialFace_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("state"); // e enabled, v visible, n: nth in the Tab cycle
        const QString help =
            u"    将字幕文字断行,去掉标点符号,分段用空行.存为TXT文件并导入.生成的\r\n\r\n"
            u"字幕按照正常解说的节奏,智能决定字幕的显示时间.导入Reelvane后作精确\r\n\r\n"
            u"调整.每行文字最多20字,导入时可选择字体为新宋体,大小21至23等."_s;
        // clang-format off
        QTest::newRow("window") << u"MainForm"_s << u"CaptiloomV3.5"_s << u"ev"_s;
        QTest::newRow("Label1") << u"Label1"_s << u"源TXT文件"_s << u"ev"_s;
        QTest::newRow("Text1") << u"Text1"_s << u"请选择需要转换的TXT文件"_s << u"v"_s;
        QTest::newRow("Command1") << u"Command1"_s << u"浏览\u2026"_s << u"ev0"_s;
        QTest::newRow("Label2") << u"Label2"_s << u" 输出文件"_s << u"ev"_s;
        QTest::newRow("Text2") << u"Text2"_s << u"请选择输出路径和文件名"_s << u"v"_s;
        QTest::newRow("Command2") << u"Command2"_s << u"浏览\u2026"_s << u"ev1"_s;
        QTest::newRow("Command3") << u"Command3"_s << u"生 成 字 幕"_s << u"ev2"_s;
        QTest::newRow("Command4") << u"Command4"_s << u"退   出"_s << u"ev3"_s;
        QTest::newRow("Frame1") << u"Frame1"_s << u"提示"_s << u"ev"_s;
        QTest::newRow("Label3") << u"Label3"_s << help << u"ev"_s;
        QTest::newRow("Frame2") << u"Frame2"_s << QString() << u"ev"_s;
        QTest::newRow("Label4") << u"Label4"_s << u"字幕织机 Captiloom —— 让每一句解说准时出现"_s << u"ev"_s;
        QTest::newRow("ProgressBar1") << u"ProgressBar1"_s << QString() << u"e"_s;
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
        QString text = widget->windowTitle();
        if (auto *label = qobject_cast<QLabel *>(widget))
            text = label->text();
        else if (auto *box = qobject_cast<QLineEdit *>(widget))
            text = box->text();
        else if (auto *button = qobject_cast<QAbstractButton *>(widget))
            text = button->text();
        else if (auto *frame = qobject_cast<QGroupBox *>(widget))
            text = frame->title();
        QTEST(text, "text");
        const qsizetype tab = cycle.indexOf(widget);
        const QString state = (widget->isEnabled() ? u"e"_s : QString())
            + (widget->isVisible() ? u"v"_s : QString())
            + (tab < 0 ? QString() : QString::number(tab));
        QTEST(state, "state");
    }

    // The window's own services as the program meets them in a run: the box
    // the user reads, over the window; behind it the bar, already drawn where
    // the run stands (the run sets it too often to draw every setting); and
    // whether the program ends, as it must after a failure.
    void servicesInARun_data()
    {
        QTest::addColumn<QByteArray>("source");
        QTest::addColumn<QString>("box"); // title|text|icon|buttons
        QTest::addColumn<QString>("bar"); // as the box appears
        QTest::addColumn<bool>("ends");
        const QByteArray lines = QByteArray("ab\r\n").repeated(2999);
        const QString title = u"CaptiloomV3.5|"_s;
        // clang-format off
        QTest::newRow("finished") << lines + "ab" << title + shown::finished.section(u'|', 0, 0) + u"|NoIcon|Ok"_s
            << u"3000 of 1-3000"_s << false;
        QTest::newRow("too long") << lines + QByteArray(24, 'x') << title + shown::tooLong.arg(3000).section(u'|', 0, 0) + u"|NoIcon|Ok"_s
            << u"2999 of 1-3000"_s << true;
        QTest::newRow("failure") << QByteArray("ab\r\n").repeated(32768) << title + u"源文件 in.txt 超过 32767 行，无法转换。|Critical|Ok"_s
            << u"hidden"_s << true;
        // clang-format on
    }
    void servicesInARun()
    {
        QFETCH(QByteArray, source);
        TemporaryFolder folder;
        QVERIFY(writeFile(u"in.txt"_s, source));
        auto *chooser = new FakeFileChooser;
        chooser->answer = u"in.txt"_s;
        MainForm form { std::unique_ptr<FileChooser>(chooser), nullptr };
        form.show();
        form.findChild<QPushButton *>(u"Command1"_s)->click();
        const auto *bar = form.findChild<QProgressBar *>(u"ProgressBar1"_s);
        QString box, atBox = u"no box"_s;
        QTimer::singleShot(0, &form, [&] {
            QTimer::singleShot(0, &form, [&] {
                auto *shown = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
                if (!shown)
                    return;
                box = u"%1|%2|%3|%4"_s.arg(
                    shown->windowTitle(), shown->text(),
                    QString::fromLatin1(
                        QMetaEnum::fromType<QMessageBox::Icon>().valueToKey(shown->icon())),
                    QString::fromLatin1(
                        QMetaEnum::fromType<QMessageBox::StandardButtons>().valueToKey(
                            shown->standardButtons().toInt())));
                atBox = bar->isVisible()
                    ? u"%1 of %2-%3"_s.arg(bar->value()).arg(bar->minimum()).arg(bar->maximum())
                    : u"hidden"_s;
                if (bar->isTextVisible()) // no percentage where the credit line was
                    atBox += u", reads "_s + bar->text();
                if (!form.isVisible() || !form.frameGeometry().contains(shown->geometry().center()))
                    atBox += u", not over the window"_s;
                QTest::keyClick(shown, Qt::Key_Escape);
            });
            form.findChild<QPushButton *>(u"Command3"_s)->click();
            // Had the run ended the program, this would come too late.
            QTimer::singleShot(100, &form, [] { QCoreApplication::exit(1); });
        });
        QTimer::singleShot(10000, &form, [] { QCoreApplication::exit(99); });
        const int status = QApplication::exec();
        QTEST(box, "box");
        QTEST(atBox, "bar");
        QFETCH(bool, ends);
        QCOMPARE(status, ends ? 0 : 1);
        QCOMPARE(form.isVisible(), !ends);
        QVERIFY(ends || bar->isHidden());
    }

    // The platform's own dialogs: the source is picked in an open dialog, the
    // output named in a save dialog (a native open dialog refuses a file that
    // does not exist yet); neither asks before replacing a file, since the
    // run does, nor adds an extension. Each offers its last choice again,
    // which a cancel gives back. Closed with Enter from its name field, Qt's
    // own dialog leaves nothing on screen that would keep the keyboard from
    // the window.
    void fileDialogs_data()
    {
        QTest::addColumn<QString>("row"); // of the button and the box
        QTest::addColumn<QString>("typed"); // a file that does not exist yet
        QTest::addColumn<QString>("seen"); // filter|accept mode|asks nothing|suffix
        QTest::newRow("source") << u"1"_s << u"新 片头.txt"_s << u"Text Files(*.txt)|0|1|"_s;
        // Windows' save dialog would add ".utf" to the name.
        const int outputMode = QSysInfo::productType() == u"windows" ? 0 : 1;
        QTest::newRow("output") << u"2"_s << u"新 片头"_s
                                << u"utf Files(*.utf)|%1|1|"_s.arg(outputMode);
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
            dialog->findChild<QLineEdit *>(u"fileNameEdit"_s)->setText(typed);
            static_cast<QDialog *>(dialog)->accept(); // as its Open or Save button does
        });
        QTEST(seen, "seen");
        const QString chosen = QDir::toNativeSeparators(dir.filePath(typed));
        QCOMPARE(pathBox->text(), chosen);

        pathBox->setText(u"别的"_s);
        whenShown([&](QFileDialog *dialog) { seen = dialog->selectedFiles().join(u';'); });
        QCOMPARE(seen, QDir::fromNativeSeparators(chosen));
        QCOMPARE(pathBox->text(), chosen);

        // A file's name offered for completion, the dialog closed under it.
        for (const QString &existing : { u"片尾.txt"_s, u"片尾.utf"_s })
            QVERIFY(QFile(dir.filePath(existing)).open(QIODevice::WriteOnly));
        bool offered = false;
        whenShown([&](QFileDialog *dialog) {
            auto *name = dialog->findChild<QLineEdit *>(u"fileNameEdit"_s);
            name->setText(u"片"_s);
            offered = QTest::qWaitFor([name] {
                name->completer()->complete();
                return name->completer()->popup()->isVisible();
            });
            static_cast<QDialog *>(dialog)->accept();
        });
        QVERIFY(offered);
        QCOMPARE(pathBox->text(), QDir::toNativeSeparators(dir.filePath(u"片"_s)));
        QWidgetList shown = QApplication::topLevelWidgets();
        shown.removeIf(
            [&form](QWidget *widget) { return widget == &form || !widget->isVisible(); });
        QCOMPARE(shown, QWidgetList());
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

    // Without a title of its own a message shows the program's; a question
    // has Yes and No, Yes the default, and the question icon.
    void messageBox()
    {
        const auto ask = [this](const QString &title, Qt::Key key) -> QString {
            QString seen;
            QTimer::singleShot(0, [&] {
                auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
                seen = u"%1|%2|%3%4%5"_s.arg(box->windowTitle(), box->text())
                           .arg(box->icon() == QMessageBox::Question)
                           .arg(box->standardButtons() == (QMessageBox::Yes | QMessageBox::No))
                           .arg(box->standardButton(box->defaultButton()) == QMessageBox::Yes);
                QTest::keyClick(box, key);
            });
            const bool question = !title.isEmpty();
            const auto answer = m_services.showMessage(
                u" 文字"_s, title, question ? Services::Buttons::YesNo : Services::Buttons::Ok,
                question);
            return seen + u'|' + QString::number(int(answer));
        };
        // title|text|question icon, Yes and No, Yes the default|the answer
        QCOMPARE(ask({}, Qt::Key_Return), applicationTitle() + u"| 文字|000|0"_s);
        QCOMPARE(ask(u"覆盖确认"_s, Qt::Key_Return), u"覆盖确认| 文字|111|1"_s); // Yes
        QCOMPARE(ask(u"覆盖确认"_s, Qt::Key_Escape), u"覆盖确认| 文字|111|2"_s); // No
    }

    // The layout grows with the font, so that no text is cut off: each
    // control's text, measured in the control's font, fits the room its box
    // leaves for it, with the desktop's font set before the window opens or
    // changed while it is open.
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
                cut << u"%1 %2x%3 in %4x%5"_s.arg(QLatin1String(name))
                           .arg(needs.width())
                           .arg(needs.height())
                           .arg(has.width())
                           .arg(has.height());
        }
        // The help text wraps; its frame's title stays above it.
        auto *help = form.findChild<QLabel *>(u"Label3"_s);
        if (help->heightForWidth(help->width()) > help->height())
            cut << u"Label3 %1 high in %2"_s.arg(help->heightForWidth(help->width()))
                       .arg(help->height());
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

    // What a screen reader says for each control the user meets, the
    // progress bar included, which shows nothing but its bar.
    void screenReaderNames()
    {
        MainForm form;
        QStringList unnamed;
        for (QWidget *control : form.findChildren<QWidget *>()) {
            if (control->focusPolicy() == Qt::NoFocus && !qobject_cast<QProgressBar *>(control))
                continue;
            QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(control);
            if (accessible->text(QAccessible::Name).trimmed().isEmpty())
                unnamed << control->objectName();
        }
        QCOMPARE(unnamed, QStringList());
    }

    // At once, even with another window open.
    void exitButtonEndsTheProgram()
    {
        MainForm form;
        form.show();
        m_window.show();
        QTimer::singleShot(0, form.findChild<QPushButton *>(u"Command4"_s), &QPushButton::click);
        QTimer::singleShot(5000, [] { QCoreApplication::exit(99); }); // should it not end
        QCOMPARE(QApplication::exec(), 0);
        QVERIFY(!form.isVisible());
    }

    // Scripts saved by Linux editors end their lines with LF alone: the
    // window converts them line by line, whatever their encoding.
    void linuxSavedScripts_data()
    {
        QTest::addColumn<QByteArray>("source");
        const QString script =
            u"清晨的阳光照进小院\n孩子们在院子里奔跑\n\n傍晚时分炊烟升起来了\n"_s;
        const auto marked = [&](QStringConverter::Encoding encoding) {
            return QByteArray(
                QStringEncoder(encoding, QStringConverter::Flag::WriteBom).encode(script));
        };
        QTest::newRow("GBK") << gbkLines[0] + '\n' + gbkLines[1] + "\n\n" + gbkLines[2] + '\n';
        QTest::newRow("UTF-8") << script.toUtf8();
        QTest::newRow("UTF-8, marked") << marked(QStringConverter::Utf8);
        QTest::newRow("UTF-16 LE") << marked(QStringConverter::Utf16LE);
        QTest::newRow("UTF-16 BE") << marked(QStringConverter::Utf16BE);
    }
    void linuxSavedScripts()
    {
        QFETCH(QByteArray, source);
        TemporaryFolder folder;
        QVERIFY(writeFile(u"脚本.txt"_s, source));
        auto *chooser = new FakeFileChooser;
        chooser->answer = folder.filePath(u"脚本.txt"_s);
        MainForm form { std::unique_ptr<FileChooser>(chooser),
                        std::make_unique<FakeFileChooser>() };
        form.show();
        QStringList seen;
        QTimer closer;
        connect(&closer, &QTimer::timeout, [&] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                seen << box->text();
                QTest::keyClick(box, Qt::Key_Return);
            }
        });
        closer.start(10);
        QTest::mouseClick(form.findChild<QWidget *>(u"Command1"_s), Qt::LeftButton);
        QTest::mouseClick(form.findChild<QWidget *>(u"Command3"_s), Qt::LeftButton);
        QCOMPARE(seen, QStringList { QString(6, u' ') + u"恭喜，恭喜！ 转换成功！"_s });
        const QByteArray document = "1\r\n00:00:12,440 --> 00:00:15,440\r\n" + gbkLines[0]
            + "\r\n\r\n2\r\n00:00:15,440 --> 00:00:18,440\r\n" + gbkLines[1]
            + "\r\n\r\n3\r\n00:00:20,440 --> 00:00:23,440\r\n" + gbkLines[2] + "\r\n\r\n";
        QCOMPARE(readFile(u"脚本(字幕).utf"_s), document);
    }

    // A source named on the command line, or one local file dropped on the
    // window, is taken as the source chooser's answer; nothing else dropped is.
    void sourceFromOutside_data()
    {
        QTest::addColumn<QString>("how"); // argument, or what a drag carries: urls or text
        QTest::addColumn<QString>("given"); // file names, '|' between them
        QTest::addColumn<bool>("taken");
        // clang-format off
        QTest::newRow("argument, relative") << u"argument"_s << u"片头 1.txt"_s << true;
        QTest::newRow("drop, one file") << u"urls"_s << u"片头 1.txt"_s << true;
        QTest::newRow("drop, two files") << u"urls"_s << u"片头 1.txt|片头 1.txt"_s << false;
        QTest::newRow("drop, a folder") << u"urls"_s << u"子目录"_s << false;
        QTest::newRow("drop, a web address") << u"urls"_s << u"https://captiloom.invalid/片头 1.txt"_s << false;
        QTest::newRow("drop, text") << u"text"_s << u"片头 1.txt"_s << false;
        // clang-format on
    }
    void sourceFromOutside()
    {
        QFETCH(QString, how);
        QFETCH(QString, given);
        TemporaryFolder folder;
        QVERIFY(QDir().mkdir(u"子目录"_s));
        QVERIFY(writeFile(u"片头 1.txt"_s, "\xd7\xd6\xc4\xbb\r\n"));
        auto *commonDialog2 = new FakeFileChooser;
        MainForm form { std::make_unique<FakeFileChooser>(),
                        std::unique_ptr<FileChooser>(commonDialog2) };
        auto *services = new RecordingServices;
        form.setServices(std::unique_ptr<Services>(services));
        commonDialog2->answer = u"成品.utf"_s; // chosen before, enabling its box
        form.findChild<QPushButton *>(u"Command2"_s)->click();

        bool accepted = false;
        if (how == u"argument") {
            form.takeSource(given);
        } else {
            QMimeData data;
            QList<QUrl> urls;
            for (const QString &name : given.split(u'|'))
                urls << (name.contains(u"://") ? QUrl(name)
                                               : QUrl::fromLocalFile(folder.filePath(name)));
            how == u"urls" ? data.setUrls(urls) : data.setText(given);
            QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, {});
            QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, {});
            QApplication::sendEvent(&form, &enter);
            QApplication::sendEvent(&form, &drop);
            accepted = enter.isAccepted() && drop.isAccepted();
        }
        QFETCH(bool, taken);
        const QString source = QDir::toNativeSeparators(folder.filePath(u"片头 1.txt"_s));
        const QString output = QDir::toNativeSeparators(folder.filePath(u"片头 1(字幕).utf"_s));
        const auto *text1 = form.findChild<QLineEdit *>(u"Text1"_s);
        const auto *text2 = form.findChild<QLineEdit *>(u"Text2"_s);
        const QStringList state { text1->text(), text2->text(), form.SourcePath(),
                                  form.OutputPath(),
                                  u"%1%2"_s.arg(text1->isEnabled()).arg(text2->isEnabled()) };
        const QStringList expected = taken
            ? QStringList { source, output, source, output, u"11"_s }
            : QStringList {
                  u"请选择需要转换的TXT文件"_s, u"成品.utf"_s, {}, u"成品.utf"_s, u"01"_s
              };
        QCOMPARE(state, expected);
        if (how != u"argument")
            QCOMPARE(accepted, taken);
        if (taken) {
            form.findChild<QPushButton *>(u"Command3"_s)->click();
            QCOMPARE(services->messages, QStringList { shown::finished });
            QVERIFY(QFile::exists(output));
        }
    }
};

QTEST_MAIN(TestWindow)
#include "test_window.moc"
