// The main window: the path field, the start button, the speed scroll bar, the progress
// bar, three labels and the chart with its point series, wired to the plot run.
#pragma once

#include "app/chart_picture.h"
#include "app/plotrun.h"
#include "chart/chart.h"
#include "platform/ui/qt_busy_loop.h"
#include "platform/ui/qt_window_host.h"
#include "pointseries/point_series.h"

#include <QWidget>
#include <memory>
#include <optional>

class QImage;
class QLabel;
class QLineEdit;
class QMimeData;
class QPalette;
class QPrinter;
class QProgressBar;
class QPushButton;
class QScrollBar;
class QTimer;

namespace vemora {

class TFollowing;

// The system colours of the chart (button face, highlight, shadows) from the palette.
void UsePaletteSystemColors(const QPalette& palette);

// The path of the first local file among dragged data, or an empty text when none is.
QString DroppedFilePath(const QMimeData* data);

// The shipped sample data file, as an absolute path: next to the program (data/ or
// ../share/vemora/), else in the source tree it was built from.
QString SampleDataPath();

// What the program's arguments ask for: a data file for the path field (absolute, from
// the working directory; "-" for standard input when followed), whether to follow it at
// once, the speed to start with (0: not given), or an error text for a wrong command line.
struct TCommandLine {
    QString file;
    bool follow = false;
    int speed = 0;
    QString error;
};
// `arguments` as the application object left them, the program first.
TCommandLine ParseCommandLine(const QStringList& arguments);

class TForm1 final : public QWidget, public TPlotWindow {
public:
    // Outer size of the window as the layout gives it, and the client area inside it
    // that holds every control.
    static constexpr int kLeft = 303;
    static constexpr int kTop = 147;
    static constexpr int kClientWidth = 847;
    static constexpr int kClientHeight = 740;

    explicit TForm1(QWidget* parent = nullptr);
    ~TForm1() override;

    QLabel* Label2() const { return label2_; }
    QLabel* Label3() const { return label3_; }
    QLabel* Label1() const { return label1_; }
    QScrollBar* ScrollBar1() const { return scrollBar1_; }
    QPushButton* Button1() const { return button1_; }
    QLineEdit* Edit1() const { return edit1_; }
    ui::QtWindowHost* Chart1Window() const { return chart1Window_; }
    TChart& Chart1() { return *chart1_; }
    TPointSeries& Series1() { return *series1_; }
    QProgressBar* ProgressBar1() const { return progressBar1_; }
    TPlotRun& PlotRun() { return *run_; }

    // Puts a path into the path field, as typing it would; nothing starts.
    void SetPathText(const QString& path);

    // Whether a plot run is going on; the user's input then waits for its end.
    bool Running() const { return busy_.Active(); }

    // F5: follows the data file `path` (standard input for "-" or an empty path) while it
    // is written. A file not there yet is waited for. A run of its complete lines comes
    // first (again whenever the file is replaced or cut shorter); then each new complete
    // line is a point at once, the newest kMaxDataPoints kept. Ends with Esc, F5, a new
    // run, the file gone for a second, the end of the input, or a bad number (its message
    // shown); the points stay.
    void StartFollowing(const QString& path);
    void StopFollowing();
    bool Following() const { return following_ != nullptr; }
    // How often a followed file is looked at.
    static constexpr int kFollowInterval = 15; // milliseconds

    // Ctrl+S: the chart's picture into a PNG, SVG or PDF file chosen in a dialog (the
    // name's suffix decides; without one, the chosen filter's is added). Ctrl+C: the
    // picture to the clipboard, as an image and as SVG. Ctrl+O: a data file chosen in a
    // dialog into the path field. None of them does anything during a run.
    void SaveChartPicture();
    void CopyChartPicture();
    void OpenDataFile();
    // Ctrl+P: the chart on paper, through the system's print dialog; nothing during a run.
    void PrintChartPicture();
    // The chart on the printer as it is set up: one page, the chart fitted within its
    // margins with its proportions kept, drawn at the printer's resolution (at most
    // kMostPrintScale device pixels per pixel of the screen's size) with the printing
    // rules. Throws with the reason when the printer cannot be used.
    void PrintChart(QPrinter& printer);
    static constexpr double kMostPrintScale = 6.25; // 600 dots per inch
    // The chart's client area as it is shown, with any pending paint done first.
    QImage ChartPicture();
    // Writes the chart's picture to `path` as a PNG, or as SVG or PDF when its suffix
    // says so; throws with the reason on failure, leaving whatever the path held.
    void WriteChartPicture(const QString& path);
    // The chart's picture as an SVG or PDF document, titled with the data file's name.
    std::string VectorChartPicture(TVectorFormat format);
    // The name the save dialog offers: the data file's with ".png", in its folder when
    // that can be written to, else in the home folder.
    QString DefaultPicturePath() const;
    // The tooltip for a client position of the chart: the X and Y of the point there.
    std::optional<ui::TToolTip> PointToolTip(int32_t x, int32_t y);

    // The handlers, as the controls call them.
    void Button1Click();
    void ScrollBar1Change();

    // TPlotWindow
    std::string PathText() const override;
    void SetProgressMax(int32_t value) override;
    void SetProgressPosition(int32_t value) override;
    void ShowProgress() override;
    void UpdateChart() override;
    void Sleep(int32_t milliseconds) override;
    void PlotStarting() override;
    bool StopRequested() const override;
    // The data file is read on a thread of its own while the window stays alive as in a
    // run's pauses; Esc or a close request gives the reading up.
    bool RunReading(const std::function<void()>& read,
                    const std::function<void()>& cancel) override;

    // The progress bar's maximum as the run set it (the bar shows 0 as an empty bar).
    int32_t ProgressMax() const { return progressMax_; }
    int32_t ProgressPosition() const { return progressPosition_; }

protected:
    // A file dropped anywhere on the window, the path field included, puts its path into
    // the path field; nothing starts until the button is pressed.
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    // During a run a close request ends the run after its current point, then closes.
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    // After a run, or a run that failed: input goes on, and a close asked for meanwhile
    // happens now.
    void EndRun();
    // Shows the failure of a run or of following; the user's input waits meanwhile.
    void ShowFailure(std::exception_ptr failure);
    // What has been written to the followed file since the last look goes to the chart.
    void FollowLook();
    // The run of a followed file's complete lines, once it is found or new.
    void RunFollowed();
    // The chart's pixels as shown, with any pending paint done first.
    const gfx::Bitmap& ShownChart();
    void CreateControls();
    void ApplyProgressRange();
    // The pixels of the bar that are filled.
    int ProgressFill() const;

    QLabel* label2_ = nullptr;
    QLabel* label3_ = nullptr;
    QLabel* label1_ = nullptr;
    QScrollBar* scrollBar1_ = nullptr;
    QPushButton* button1_ = nullptr;
    QLineEdit* edit1_ = nullptr;
    ui::QtWindowHost* chart1Window_ = nullptr;
    QProgressBar* progressBar1_ = nullptr;
    std::unique_ptr<TChart> chart1_;
    TPointSeries* series1_ = nullptr;
    std::unique_ptr<TPlotRun> run_;
    std::shared_ptr<TFollowing> following_;
    QTimer* followTimer_ = nullptr;
    ui::TBusyLoop busy_;
    bool closeAfterRun_ = false;
    // The message of a failed run is up; the user's input waits until it is answered.
    bool showingFailure_ = false;
    // The path of the data file the chart last plotted.
    QString plottedPath_;
    int32_t progressMax_ = 100;
    // The width of the bar's contents, for the size and style it was asked for.
    mutable int progressContents_ = 0;
    mutable QSize progressSize_{-1, -1};
    mutable const QStyle* progressStyle_ = nullptr;
    int32_t progressPosition_ = 0;
};

} // namespace vemora
