#include "main_form.h"

#include "application_title.h"
#include "dialog_file_chooser.h"
#include "fitted_label.h"
#include "remembered_output_type.h"
#include "window_services.h"

#include "conversion_run.h"
#include "derive_output_path.h"
#include "line_timing.h"
#include "run_texts.h"
#include "services.h"
#include "subtitle_document.h"

#include "file_system.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QDropEvent>
#include <QEvent>
#include <QFileInfo>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QGroupBox>
#include <QLineEdit>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>

#include <algorithm>
#include <limits>

namespace captiloom::window {

using conversion::DeriveOutputPath;
using namespace Qt::StringLiterals;

namespace {

// The layout is drawn in twips, at 15 twips to a pixel, for a 9-point font at
// 96 dots per inch: 12 pixels to the em, Latin letters 6 pixels wide on
// average, and lines no taller than a label's 17-pixel row. Rounded to whole
// pixels, a row may come out a pixel short; a label's text may hang that
// pixel below its box.
constexpr qreal twipsPerPixel = 15;
constexpr qreal drawnForEm = 12;
constexpr qreal drawnForLetter = 6;
constexpr qreal drawnForLine = 17;
constexpr QSize clientTwips(7560, 4830);

// Like a dialog's units, the layout grows with the font, across by the width
// of its letters and down by the height of its lines: a larger font, or one
// with wider letters or taller lines, gets a layout scaled in proportion, so
// that its text fits where the drawn-for font's did. A smaller font keeps the
// drawn layout.
QSizeF layoutScale(const QWidget &window)
{
    const qreal em = QFontInfo(window.font()).pointSizeF() * window.logicalDpiY() / 72;
    const QFontMetricsF metrics(window.font(), &window);
    const QString letters = u"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"_s;
    const qreal letter = metrics.horizontalAdvance(letters) / letters.size();
    const qreal across = std::max({ 1.0, em / drawnForEm, letter / drawnForLetter });
    const qreal down = std::max({ 1.0, em / drawnForEm, metrics.height() / drawnForLine });
    return QSizeF(across, down);
}

// Edges are rounded, not sizes, so that controls drawn edge to edge stay so.
int scaled(int twips, qreal scale)
{
    return qRound(twips * scale / twipsPerPixel);
}

QRect scaled(const QRect &twips, QSizeF scale)
{
    const int left = scaled(twips.left(), scale.width());
    const int top = scaled(twips.top(), scale.height());
    return QRect(left, top, scaled(twips.left() + twips.width(), scale.width()) - left,
                 scaled(twips.top() + twips.height(), scale.height()) - top);
}

QLineEdit *pathBox(const QString &prompt, QWidget *window)
{
    auto *box = new QLineEdit(prompt, window);
    box->setMaxLength(std::numeric_limits<int>::max());
    box->setEnabled(false);
    return box;
}

QPushButton *button(const QString &caption, QWidget *window)
{
    auto *pushButton = new QPushButton(caption, window);
    // Enter and Esc do nothing special in this window.
    pushButton->setAutoDefault(false);
    pushButton->setDefault(false);
    return pushButton;
}

QString helpText()
{
    return u"    将字幕文字断行,去掉标点符号,分段用空行.存为TXT文件并导入.生成的\r\n\r\n"
           u"字幕按照正常解说的节奏,智能决定字幕的显示时间.导入Reelvane后作精确\r\n\r\n"
           u"调整.每行文字最多20字,导入时可选择字体为新宋体,大小21至23等."_s;
}

QString creditText()
{
    return u"字幕织机 Captiloom —— 让每一句解说准时出现"_s;
}

// What the aligner reads, lossless first: the order in which a recording
// beside the script is looked for.
const QStringList &recordingSuffixes()
{
    static const QStringList suffixes { u"wav"_s, u"flac"_s, u"m4a"_s, u"mp3"_s, u"aac"_s };
    return suffixes;
}

bool isRecording(const QString &path)
{
    return recordingSuffixes().contains(QFileInfo(path).suffix(), Qt::CaseInsensitive);
}

// The file beside `path` with its name and another extension, in the
// extension's usual spelling or in capitals; empty when there is none.
// Where names ignore letter case, a file found by one spelling of its name
// is shown as its folder spells it: 片头.WAV, found as 片头.wav.
QFileInfo spelledAsSaved(const QFileInfo &file)
{
    if (!platform::namesIgnoreCase())
        return file;
    for (QDirIterator entries(file.path(), QDir::Files | QDir::Hidden | QDir::System);
         entries.hasNext();) {
        const QFileInfo entry = entries.nextFileInfo();
        if (entry.fileName().compare(file.fileName(), Qt::CaseInsensitive) == 0)
            return entry;
    }
    return file;
}

QString namesake(const QString &path, const QStringList &suffixes)
{
    if (path.isEmpty())
        return {};
    const QFileInfo file(path);
    const QString stem = file.path() + u'/' + file.completeBaseName() + u'.';
    for (const QString &suffix : suffixes) {
        for (const QString &spelling : { suffix, suffix.toUpper() }) {
            if (platform::regularFileExists(stem + spelling))
                return QDir::toNativeSeparators(
                    spelledAsSaved(QFileInfo(stem + spelling)).absoluteFilePath());
        }
    }
    return {};
}

// The narration the lines make by their lengths alone, which the recording's
// length is guessed from: the bar has no total before decoding ends.
qint64 expectedMs(const QList<conversion::TimedLine> &lines)
{
    using namespace conversion;
    ClockPair at = clockAt(0);
    for (const TimedLine &line : lines) {
        at.time = AddSeconds(at.time, blankPauseSeconds * line.blanksBefore);
        at = AdvanceForLine(at.time, at.ms, line.text);
    }
    return std::max<qint64>(at.time.totalSeconds() * 1000 + at.ms, 1000);
}

// The one local file, not a folder, that a drag carries; empty for anything
// else, several files included.
QString droppedFile(const QMimeData *data)
{
    const QList<QUrl> urls = data ? data->urls() : QList<QUrl>();
    if (urls.size() != 1 || !urls.first().isLocalFile())
        return {};
    const QString path = urls.first().toLocalFile();
    return path.isEmpty() || QFileInfo(path).isDir() ? QString() : path;
}

} // namespace

MainForm::MainForm(QWidget *parent)
    : MainForm(nullptr, nullptr, parent)
{ }

MainForm::MainForm(std::unique_ptr<FileChooser> sourceChooser,
                   std::unique_ptr<FileChooser> outputChooser, QWidget *parent)
    : QWidget(parent)
    , m_outputFormat(rememberedOutputFormat())
    , m_commonDialog1(std::move(sourceChooser))
    , m_commonDialog2(std::move(outputChooser))
{
    setObjectName(u"MainForm"_s);
    setWindowTitle(applicationTitle());

    const auto place = [this]<typename Control>(Control *control, const QString &name, int left,
                                                int top, int width, int height) {
        control->setObjectName(name);
        m_twips.emplace_back(control, QRect(left, top, width, height));
        return control;
    };
    m_label1 = place(new FittedLabel(u"源TXT文件"_s, this), u"Label1"_s, 120, 480, 855, 255);
    m_text1 = place(pathBox(u"请选择需要转换的TXT文件"_s, this), u"Text1"_s, 960, 360, 5655, 375);
    m_command1 = place(button(u"浏览…"_s, this), u"Command1"_s, 6720, 360, 735, 375);
    m_label2 = place(new FittedLabel(u" 输出文件"_s, this), u"Label2"_s, 120, 1440, 975, 255);
    m_text2 = place(pathBox(u"请选择输出路径和文件名"_s, this), u"Text2"_s, 960, 1320, 5655, 375);
    m_command2 = place(button(u"浏览…"_s, this), u"Command2"_s, 6720, 1320, 735, 375);
    m_command3 = place(button(u"生 成 字 幕"_s, this), u"Command3"_s, 1200, 1920, 2415, 495);
    m_command4 = place(button(u"退   出"_s, this), u"Command4"_s, 4320, 1920, 2055, 495);
    m_frame1 = place(new QGroupBox(u"提示"_s, this), u"Frame1"_s, 480, 2520, 6855, 1455);
    m_label3 = place(new FittedLabel(helpText(), m_frame1), u"Label3"_s, 360, 360, 6375, 975);
    m_frame2 = place(new QGroupBox(this), u"Frame2"_s, 480, 4080, 6855, 615);
    m_label4 = place(new FittedLabel(creditText(), m_frame2), u"Label4"_s, 240, 240, 6495, 255);
    // Made after the credit line so that it lies over it while visible.
    m_progressBar1 = place(new QProgressBar(m_frame2), u"ProgressBar1"_s, 0, 120, 6855, 495);

    // Both browse buttons read "浏览…"; the description tells them apart.
    m_command1->setAccessibleDescription(u"选择要转换的TXT文件"_s);
    m_command2->setAccessibleDescription(u"选择输出的字幕文件"_s);
    m_label1->setBuddy(m_text1);
    m_label2->setBuddy(m_text2);

    QPalette creditPalette = m_label4->palette();
    creditPalette.setColor(QPalette::WindowText, creditPalette.color(QPalette::Link));
    m_label4->setPalette(creditPalette);

    m_progressBar1->setAccessibleName(u"字幕生成进度"_s);
    m_progressBar1->setRange(0, 100);
    m_progressBar1->setTextVisible(false);
    m_progressBar1->hide();

    setTabOrder(m_text1, m_text2);
    setTabOrder(m_text2, m_command1);
    setTabOrder(m_command1, m_command2);
    setTabOrder(m_command2, m_command3);
    setTabOrder(m_command3, m_command4);
    m_command1->setFocus();
    layOut();

    if (!m_commonDialog1)
        m_commonDialog1 =
            std::make_unique<DialogFileChooser>(this, u"CommonDialog1"_s, QFileDialog::AcceptOpen);
    if (!m_commonDialog2)
        m_commonDialog2 = std::make_unique<DialogFileChooser>(this, u"CommonDialog2"_s,
                                                              DialogFileChooser::newFileMode);
    m_services = std::make_unique<WindowServices>(*this, *m_progressBar1);

    // A file dropped anywhere on the window names the source, the path
    // boxes included, which would otherwise paste its address as text.
    setAcceptDrops(true);
    m_text1->setAcceptDrops(false);
    m_text2->setAcceptDrops(false);

    // Connected only now: the prompts above are not paths.
    connect(m_command1, &QPushButton::clicked, this, &MainForm::command1Click);
    connect(m_command2, &QPushButton::clicked, this, &MainForm::command2Click);
    connect(m_command3, &QPushButton::clicked, this, &MainForm::command3Click);
    connect(m_command4, &QPushButton::clicked, this, &MainForm::command4Click);
    connect(m_text1, &QLineEdit::textChanged, this, &MainForm::text1Change);
    connect(m_text2, &QLineEdit::textChanged, this, &MainForm::text2Change);
}

MainForm::~MainForm() = default;

// A conversion at the times the aligner finds: the run's timing, and the
// services it reaches the user through, which are the window's, but for
// what a timed run says more (which recording, which lines to check) and
// that nothing is told once the window is closing.
class MainForm::TimedRun : public conversion::LineTiming, public conversion::Services
{
public:
    TimedRun(MainForm &form, QString recording)
        : m_form(form)
        , m_window(*form.m_services)
        , m_recording(std::move(recording))
    { }

    conversion::Timing timesFor(const QList<conversion::TimedLine> &lines) override
    {
        m_lines = lines;
        const qint64 expected = expectedMs(lines);
        m_form.setAligning(true);
        m_window.showProgress();
        m_window.setProgressMaximum(1000);
        m_window.setProgressMinimum(0);
        m_window.setProgressPosition(0);
        // Short of the end until the end, wherever the guess was wrong.
        m_alignment = m_form.m_aligner(m_recording, lines, [this, expected](qint64 decodedMs) {
            if (m_form.m_stopping)
                return false;
            m_window.setProgressPosition(
                static_cast<float>(std::min<qint64>(decodedMs * 1000 / expected, 990)));
            return true;
        });
        m_form.setAligning(false);
        if (m_form.m_stopping)
            return { {}, u"stopped"_s };
        if (m_alignment.succeeded())
            m_window.setProgressPosition(1000);
        return { m_alignment.times, m_alignment.failure };
    }

    Answer showMessage(const QString &text, const QString &title, Buttons buttons,
                       bool questionIcon) override
    {
        if (m_form.m_stopping)
            return buttons == Buttons::YesNo ? Answer::No : Answer::Ok;
        if (text
            == QCoreApplication::translate(conversion::texts::context, conversion::texts::finished))
            return m_window.showMessage(text + timedNote(), title, buttons, questionIcon);
        if (m_alignment.succeeded() || text != m_alignment.failure)
            return m_window.showMessage(text, title, buttons, questionIcon);
        // The run writes nothing and leaves; the bar goes with it.
        const Answer answer = m_window.showMessage(
            text + u"\n\n不按配音对时也可以：再按“生 成 字 幕”，在询问时选“否”。"_s, title, buttons,
            questionIcon);
        m_window.hideProgress();
        return answer;
    }
    void showProgress() override { m_window.showProgress(); }
    void setProgressMaximum(float maximum) override { m_window.setProgressMaximum(maximum); }
    void setProgressMinimum(float minimum) override { m_window.setProgressMinimum(minimum); }
    void setProgressPosition(float position) override { m_window.setProgressPosition(position); }
    void hideProgress() override { m_window.hideProgress(); }
    void endProgram() override { m_window.endProgram(); }
    void reportFailure(const QString &description) override
    {
        if (!m_form.m_stopping)
            m_window.reportFailure(description);
    }

private:
    // A box lists this many lines to check at most: more would not fit a screen.
    static constexpr qsizetype listedLines = 12;

    QString timedNote() const
    {
        QString note = u"\n\n字幕已按配音“%1”对时。"_s.arg(QFileInfo(m_recording).fileName());
        QStringList unsure;
        for (qsizetype index = 0; index < m_alignment.times.size(); ++index) {
            const conversion::LineTime &time = m_alignment.times[index];
            if (time.unsure)
                unsure << u"第%1行 %2 “%3”"_s.arg(m_lines[index].sourceLine)
                              .arg(conversion::clockText(conversion::clockAt(time.startMs)),
                                   m_lines[index].text);
        }
        if (unsure.isEmpty())
            return note;
        note += u"以下各行与上一行之间没有停顿，开始时间是估算的，请在剪辑软件中核对："_s;
        for (const QString &line : unsure.first(std::min(unsure.size(), listedLines)))
            note += u'\n' + line;
        if (unsure.size() > listedLines)
            note += u"\n……另有%1行"_s.arg(unsure.size() - listedLines);
        return note;
    }

    MainForm &m_form;
    Services &m_window;
    const QString m_recording;
    QList<conversion::TimedLine> m_lines;
    voice::Alignment m_alignment;
};

void MainForm::layOut()
{
    const QSizeF scale = layoutScale(*this);
    for (const auto &[control, twips] : m_twips) {
        // Rounded where the edges lie in the window, not in the frame that
        // holds the control: rounded in the frame, the progress bar drawn to
        // its frame's right and bottom edges ended a pixel short or over.
        const auto container = std::find_if(m_twips.cbegin(), m_twips.cend(),
                                            [parent = control->parentWidget()](const auto &placed) {
                                                return placed.first == parent;
                                            });
        const QPoint origin = container == m_twips.cend() ? QPoint() : container->second.topLeft();
        control->setGeometry(scaled(twips.translated(origin), scale)
                                 .translated(-scaled(QRect(origin, QSize()), scale).topLeft()));
    }
    resize(scaled(QRect(QPoint(), clientTwips), scale).size());
    showRecording();
}

void MainForm::changeEvent(QEvent *event)
{
    // The desktop's font setting may change while the window is open.
    if (event->type() == QEvent::FontChange)
        layOut();
    QWidget::changeEvent(event);
}

void MainForm::setServices(std::unique_ptr<conversion::Services> services)
{
    m_services = std::move(services);
}

void MainForm::tell(const QString &text)
{
    m_services->showMessage(text);
}

void MainForm::takeSource(const QString &path)
{
    if (path.isEmpty())
        return;
    const QString full = QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath());
    if (isRecording(full))
        takeRecording(full);
    else
        setSource(full);
}

void MainForm::takeRecording(const QString &path)
{
    m_givenRecording = path;
    m_givenFor = m_sourcePath;
    const QString script = m_sourcePath.isEmpty() ? namesake(path, { u"txt"_s }) : QString();
    if (!script.isEmpty())
        setSource(script); // which finds the recording given for it
    else
        findRecording();
}

void MainForm::findRecording()
{
    if (!m_givenRecording.isEmpty() && m_givenFor != m_sourcePath) {
        if (m_givenFor.isEmpty())
            m_givenFor = m_sourcePath;
        else
            m_givenRecording.clear();
    }
    m_recordingPath =
        m_givenRecording.isEmpty() ? namesake(m_sourcePath, recordingSuffixes()) : m_givenRecording;
    showRecording();
}

void MainForm::showRecording()
{
    if (m_recordingPath.isEmpty()) {
        m_label4->setText(creditText());
        m_label4->setToolTip({});
        m_label4->setAccessibleDescription({});
        return;
    }
    // The name, shortened in its middle where it would not fit on the line.
    const QString lead = u"按配音对时："_s;
    const QFontMetrics metrics(m_label4->font());
    const int room = m_label4->contentsRect().width() - 1 - metrics.horizontalAdvance(lead);
    m_label4->setText(
        lead + metrics.elidedText(QFileInfo(m_recordingPath).fileName(), Qt::ElideMiddle, room));
    m_label4->setToolTip(m_recordingPath);
    m_label4->setAccessibleDescription(m_recordingPath);
}

void MainForm::dragEnterEvent(QDragEnterEvent *event)
{
    if (!m_aligning && !droppedFile(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void MainForm::dropEvent(QDropEvent *event)
{
    const QString path = droppedFile(event->mimeData());
    if (m_aligning || path.isEmpty())
        return;
    event->acceptProposedAction();
    takeSource(path);
}

void MainForm::command1Click()
{
    setSource(m_commonDialog1->choose({ { u"Text Files(*.txt)"_s, u"*.txt"_s } }).path);
}

void MainForm::setSource(const QString &name)
{
    if (name.isEmpty())
        return;
    // Chosen again, the same name changes no text, so text1Change() does not
    // look again; a recording beside it may have been saved or moved since.
    const bool again = m_text1->text() == name;
    m_sourcePath = name;
    m_text1->setEnabled(true);
    m_text1->setText(m_sourcePath);
    m_text2->setText(DeriveOutputPath(m_sourcePath, m_outputFormat));
    if (again)
        findRecording();
}

void MainForm::command2Click()
{
    // Beside the script, where its derived name puts the subtitles too. A
    // name chosen with the SRT type is an SRT file, whatever was typed; the
    // type chosen is the one the chooser opens with next, and the one the
    // next source's output is named for.
    const QFileInfo source(m_sourcePath);
    using Format = conversion::DocumentFormat;
    const FileChooser::Answer answer = m_commonDialog2->choose(
        { { u"utf Files(*.utf)"_s, u"*.utf"_s },
          { u"SRT 字幕 UTF-8 (*.srt)"_s, u"*.srt"_s, u".srt"_s } },
        m_outputFormat == Format::Srt ? 1 : 0,
        m_sourcePath.isEmpty() || !source.absoluteDir().exists() ? QString()
                                                                 : source.absolutePath());
    if (answer.type) {
        m_outputFormat = *answer.type == 1 ? Format::Srt : Format::Utf;
        rememberOutputFormat(m_outputFormat);
    }
    if (answer.path.isEmpty())
        return;
    m_outputPath = answer.path;
    m_text2->setEnabled(true);
    m_text2->setText(m_outputPath);
}

void MainForm::command3Click()
{
    // Copies: the run holds on to its paths while message boxes are open.
    const QString source = m_sourcePath;
    const QString output = m_outputPath;
    const QString recording = m_recordingPath;
    // Asked only when the conversion can go ahead; otherwise the run says
    // what is missing, as it always has.
    if (!recording.isEmpty() && !output.isEmpty() && platform::regularFileExists(source)
        && !platform::sameFile(source, output)) {
        const auto answer = m_services->showMessage(
            u"要按配音“%1”给字幕对时吗？\n\n选“否”则按每行的字数估算时间。"_s.arg(
                QFileInfo(recording).fileName()),
            u"按配音对时"_s, conversion::Services::Buttons::YesNo, true);
        if (answer == conversion::Services::Answer::Yes) {
            TimedRun run(*this, recording);
            conversion::RunConversion(source, output, run, run);
            return;
        }
    }
    conversion::RunConversion(source, output, *m_services);
}

void MainForm::setAligning(bool aligning)
{
    m_aligning = aligning;
    // The focus leaves a button that goes grey for nowhere rather than for
    // the exit button, which a key pressed while waiting would then press.
    if (aligning) {
        m_focusBeforeAligning = focusWidget();
        if (m_focusBeforeAligning)
            m_focusBeforeAligning->clearFocus();
    }
    for (QWidget *control : { m_command1, m_command2, m_command3 })
        control->setEnabled(!aligning);
    m_text1->setReadOnly(aligning);
    m_text2->setReadOnly(aligning);
    if (!aligning && m_focusBeforeAligning)
        m_focusBeforeAligning->setFocus();
}

void MainForm::command4Click()
{
    m_stopping = m_aligning;
    m_services->endProgram();
}

void MainForm::closeEvent(QCloseEvent *event)
{
    m_stopping = m_aligning;
    QWidget::closeEvent(event);
}

void MainForm::text1Change()
{
    m_sourcePath = m_text1->text();
    m_text2->setText(DeriveOutputPath(m_sourcePath, m_outputFormat));
    findRecording();
}

void MainForm::text2Change()
{
    m_outputPath = m_text2->text();
}

} // namespace captiloom::window
