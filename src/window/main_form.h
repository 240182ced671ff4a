#pragma once

#include "recording_alignment.h"
#include "subtitle_document.h"

#include <QPointer>
#include <QRect>
#include <QString>
#include <QWidget>

#include <functional>
#include <memory>
#include <utility>
#include <vector>

class QCloseEvent;
class QDragEnterEvent;
class QDropEvent;
class QGroupBox;
class QLineEdit;
class QProgressBar;
class QPushButton;

namespace captiloom::conversion {
class Services;
}

namespace captiloom::window {

class FileChooser;
class FittedLabel;

// The program's one window: the source and output path rows, the convert and
// exit buttons, the help text, and the strip in which the progress bar covers
// the credit line while a conversion runs.
class MainForm : public QWidget
{
    Q_OBJECT

public:
    explicit MainForm(QWidget *parent = nullptr);
    // Choosers other than the platform's file dialogs, for tests.
    MainForm(std::unique_ptr<FileChooser> sourceChooser, std::unique_ptr<FileChooser> outputChooser,
             QWidget *parent = nullptr);
    ~MainForm() override;

    const QString &SourcePath() const { return m_sourcePath; }
    const QString &OutputPath() const { return m_outputPath; }

    // Replaces the services the conversion run reaches the user through.
    void setServices(std::unique_ptr<conversion::Services> services);
    // What places a script's lines on a recording: voice::alignRecording(),
    // unless a test puts a stand-in in its place.
    using Aligner = std::function<voice::Alignment(const QString &recording,
                                                   const QList<conversion::TimedLine> &lines,
                                                   const voice::Progress &progress)>;
    void setAligner(Aligner aligner) { m_aligner = std::move(aligner); }

    // Takes a source named otherwise than in Command1's chooser (on the
    // command line, or dropped on the window) as that chooser's answer: a
    // relative path from the current folder, shown in the platform's own
    // separators. A recording is taken as the source's recording instead
    // (see takeRecording).
    void takeSource(const QString &path);
    // Tells the user something in the window's own kind of box: plain text,
    // so that a file name is shown as it is written.
    void tell(const QString &text);

protected:
    void changeEvent(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    // Places every control at its drawn place, scaled for the window's font.
    void layOut();
    void setSource(const QString &name);
    // A recording given for the source chosen now, or for the next one if
    // none is; with no source yet, the script beside it by its name becomes
    // the source.
    void takeRecording(const QString &path);
    // Follows the source: forgets a recording given for another one, looks
    // beside it for its own, and names the recording in the information line.
    void findRecording();
    void showRecording();
    // Keeps the user from changing paths or starting another run while the
    // aligner works; the exit button stays.
    void setAligning(bool aligning);
    class TimedRun;

    void command1Click();
    void command2Click();
    void command3Click();
    void command4Click();
    void text1Change();
    void text2Change();

    QString m_sourcePath;
    QString m_outputPath;
    // What a derived output name ends in: the type last chosen in Command2's
    // chooser, remembered from one start to the next.
    conversion::DocumentFormat m_outputFormat;

    FittedLabel *m_label1;
    QLineEdit *m_text1;
    QPushButton *m_command1;
    FittedLabel *m_label2;
    QLineEdit *m_text2;
    QPushButton *m_command2;
    QPushButton *m_command3;
    QPushButton *m_command4;
    QGroupBox *m_frame1;
    FittedLabel *m_label3;
    QGroupBox *m_frame2;
    FittedLabel *m_label4;
    QProgressBar *m_progressBar1;
    // Every control and its place in twips.
    std::vector<std::pair<QWidget *, QRect>> m_twips;

    std::unique_ptr<FileChooser> m_commonDialog1;
    std::unique_ptr<FileChooser> m_commonDialog2;
    std::unique_ptr<conversion::Services> m_services;

    Aligner m_aligner = voice::alignRecording;
    // The recording the next conversion is timed to, if the user agrees:
    // one given on the command line or dropped on the window, else one beside
    // the source with its name (片头.txt, 片头.mp3); empty when there is none.
    QString m_recordingPath;
    QString m_givenRecording; // dropped or on the command line
    QString m_givenFor; // the source it was given for; empty: the next one chosen
    bool m_aligning = false;
    // The window is closing while the aligner works: it is to stop, and the
    // run to tell nothing more.
    bool m_stopping = false;
    QPointer<QWidget> m_focusBeforeAligning;
};

} // namespace captiloom::window
