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
};

QTEST_MAIN(TestWindow)
#include "test_window.moc"
