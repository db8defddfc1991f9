#include "app/Vemora1.h"

#include "app/following.h"
#include "app/main_chart.h"
#include "canvas/colors.h"
#include "platform/files/safe_write.h"
#include "platform/gfx/png.h"
#include "platform/ui/qt_application.h"
#include "platform/ui/qt_file_names.h"
#include "platform/ui/qt_window_host.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDialog>
#include <QDir>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionProgressBar>
#include <QTimer>
#include <QUrl>
#include <algorithm>
#include <array>
#include <charconv>
#include <stdexcept>

namespace vemora {

namespace {

const QString kCaption = QStringLiteral("Вемора № 1");
const QString kFollowingCaption = QStringLiteral("Вемора № 1 — following");

// The system colours as the palette gave them at start, by system colour index.
std::array<TColor, 32> paletteColors{};
std::array<bool, 32> paletteKnown{};

TColor ToColor(const QColor& c) {
    return static_cast<TColor>(c.red()) | static_cast<TColor>(c.green()) << 8 |
           static_cast<TColor>(c.blue()) << 16;
}

TColor PaletteSystemColor(int32_t index) {
    if (index >= 0 && index < static_cast<int32_t>(paletteColors.size()) &&
        paletteKnown[static_cast<size_t>(index)])
        return paletteColors[static_cast<size_t>(index)];
    return ClassicSystemColor(index);
}

QColor ToQColor(TColor c) {
    return QColor(static_cast<int>(c & 0xFF), static_cast<int>((c >> 8) & 0xFF),
                  static_cast<int>((c >> 16) & 0xFF));
}

QFont ControlFont() {
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPointSize(8);
    return font;
}

void SetTextColor(QWidget* widget, TColor color) {
    QPalette p = widget->palette();
    p.setColor(QPalette::WindowText, ToQColor(color));
    widget->setPalette(p);
}

// A label sized to its text at its place.
QLabel* MakeLabel(QWidget* parent, const QString& text, int left, int top, TColor color) {
    auto* label = new QLabel(text, parent);
    label->setFont(ControlFont());
    SetTextColor(label, color);
    label->move(left, top);
    label->adjustSize();
    return label;
}

} // namespace

void UsePaletteSystemColors(const QPalette& palette) {
    auto set = [&](int index, QPalette::ColorGroup group, QPalette::ColorRole role) {
        paletteColors[static_cast<size_t>(index)] = ToColor(palette.color(group, role));
        paletteKnown[static_cast<size_t>(index)] = true;
    };
    constexpr auto active = QPalette::Active;
    set(0, active, QPalette::Button);            // scroll bar
    set(5, active, QPalette::Base);              // window
    set(8, active, QPalette::WindowText);        // window text
    set(13, active, QPalette::Highlight);        // highlight
    set(14, active, QPalette::HighlightedText);  // highlighted text
    set(15, active, QPalette::Button);           // button face
    set(16, active, QPalette::Dark);             // button shadow
    set(17, QPalette::Disabled, QPalette::Text); // grey text
    set(18, active, QPalette::ButtonText);       // button text
    set(20, active, QPalette::Light);            // button highlight
    set(21, active, QPalette::Shadow);           // 3D dark shadow
    set(22, active, QPalette::Midlight);         // 3D light
    SetSystemColorProvider(PaletteSystemColor);
}

QString DroppedFilePath(const QMimeData* data) {
    if (data == nullptr || !data->hasUrls())
        return {};
    for (const QUrl& url : data->urls()) {
        if (url.isLocalFile())
            return ui::LocalFileFromUrl(url);
    }
    return {};
}

QString SampleDataPath() {
    const QString programDir = QCoreApplication::applicationDirPath();
    const QString candidates[] = {
        programDir + QStringLiteral("/data/proba2.txt"),
        programDir + QStringLiteral("/../share/vemora/proba2.txt"),
        QStringLiteral(VEMORA_SOURCE_DIR "/data/proba2.txt"),
    };
    for (const QString& path : candidates) {
        if (QFileInfo(path).isFile())
            return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    }
    // Nothing found: the source tree's path still tells the user what was expected.
    return QDir::cleanPath(candidates[2]);
}

TCommandLine ParseCommandLine(const QStringList& arguments) {
    TCommandLine line;
    bool optionsEnd = false;
    bool named = false;
    const auto fail = [&line](const QString& error) {
        line.error = error;
        return line;
    };
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        QString argument = arguments[i];
        if (!optionsEnd && argument == QStringLiteral("--")) {
            optionsEnd = true;
            continue;
        }
        if (!optionsEnd && (argument == QStringLiteral("--speed") ||
                            argument.startsWith(QStringLiteral("--speed=")))) {
            QString value = argument.mid(8);
            if (argument == QStringLiteral("--speed")) {
                if (++i >= arguments.size())
                    return fail(QStringLiteral("--speed needs a number from 1 to 100"));
                value = arguments[i];
            }
            bool ok = false;
            const int speed = value.toInt(&ok);
            if (!ok || speed < 1 || speed > 100)
                return fail(
                    QStringLiteral("--speed needs a number from 1 to 100, not '%1'").arg(value));
            line.speed = speed;
            continue;
        }
        const bool follow = !optionsEnd && (argument == QStringLiteral("--follow") ||
                                            argument.startsWith(QStringLiteral("--follow=")));
        if (follow) {
            if (argument == QStringLiteral("--follow")) {
                if (++i >= arguments.size())
                    return fail(QStringLiteral("--follow needs a FILE, or - for standard input"));
                argument = arguments[i];
            } else {
                argument = argument.mid(9);
            }
            line.follow = true;
        } else if (!optionsEnd && argument.size() > 1 && argument.startsWith(u'-')) {
            return fail(QStringLiteral("unknown option %1").arg(argument));
        }
        if (named)
            return fail(QStringLiteral("only one FILE may be given"));
        if (argument.isEmpty())
            return fail(QStringLiteral("FILE is empty"));
        named = true;
        line.file = follow && argument == QStringLiteral("-")
                        ? argument
                        : QDir::cleanPath(QDir(ui::CurrentFolder()).absoluteFilePath(argument));
    }
    return line;
}

TForm1::TForm1(QWidget* parent) : QWidget(parent) {
    setWindowTitle(kCaption);
    QPalette p = palette();
    p.setColor(QPalette::Window, ToQColor(clTeal));
    setPalette(p);
    setAutoFillBackground(true);
    setFont(ControlFont());
    setAcceptDrops(true);
    CreateControls();
    move(kLeft, kTop);
    resize(kClientWidth, kClientHeight);
}

TForm1::~TForm1() {
    // The run refers to the series and the chart to its window: both go first.
    run_.reset();
    chart1_.reset();
}

void TForm1::CreateControls() {
    label2_ = MakeLabel(this, QStringLiteral("тел. 555-01-23"), 752, 720, clWhite);
    label3_ = MakeLabel(this, QStringLiteral("Скорость вывода  изображения"), 432, 8, clYellow);
    label1_ = MakeLabel(this, QStringLiteral("Введите путь и имя файла"), 16, 8, clYellow);

    scrollBar1_ = new QScrollBar(Qt::Horizontal, this);
    scrollBar1_->setGeometry(432, 24, 193, 17);
    scrollBar1_->setRange(1, 100);
    scrollBar1_->setValue(1);
    scrollBar1_->setSingleStep(1);
    scrollBar1_->setPageStep(1);
    // Like a classic scroll bar control it takes the focus, so the keyboard moves it too.
    scrollBar1_->setFocusPolicy(Qt::StrongFocus);
    connect(scrollBar1_, &QScrollBar::valueChanged, this,
            [this] { ui::Guarded([this] { ScrollBar1Change(); }); });

    button1_ = new QPushButton(QStringLiteral("П У С К"), this);
    button1_->setGeometry(224, 16, 193, 25);
    connect(button1_, &QPushButton::clicked, this,
            [this] { ui::Guarded([this] { Button1Click(); }); });

    edit1_ = new QLineEdit(SampleDataPath(), this);
    edit1_->setGeometry(16, 24, 193, 17);
    edit1_->setCursorPosition(0);
    // The field takes dropped text itself; dropped files go to the window's handling.
    edit1_->installEventFilter(this);
    // Enter in the field starts the run, as the button does.
    connect(edit1_, &QLineEdit::returnPressed, this,
            [this] { ui::Guarded([this] { Button1Click(); }); });

    chart1Window_ = new ui::QtWindowHost(this);
    chart1_ = std::make_unique<TChart>(chart1Window_);
    chart1Window_->OnToolTip = [this](int32_t x, int32_t y) { return PointToolTip(x, y); };
    series1_ = &BuildChart1(*chart1_);
    run_ = std::make_unique<TPlotRun>(*this, *series1_);
    ConnectSeries1(*series1_, *run_);

    progressBar1_ = new QProgressBar(this);
    progressBar1_->setGeometry(640, 16, 193, 25);
    progressBar1_->setTextVisible(false);
    progressBar1_->setRange(0, 100);
    progressBar1_->setValue(0);

    followTimer_ = new QTimer(this);
    followTimer_->setInterval(kFollowInterval);
    connect(followTimer_, &QTimer::timeout, this,
            [this] { ui::Guarded([this] { FollowLook(); }); });

    setTabOrder(scrollBar1_, button1_);
    setTabOrder(button1_, edit1_);
    setTabOrder(edit1_, chart1Window_);
    setTabOrder(chart1Window_, progressBar1_);
    scrollBar1_->setFocus();
}

void TForm1::dragEnterEvent(QDragEnterEvent* event) {
    if (!Running() && !DroppedFilePath(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void TForm1::dragMoveEvent(QDragMoveEvent* event) {
    if (!Running() && !DroppedFilePath(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void TForm1::dropEvent(QDropEvent* event) {
    const QString path = DroppedFilePath(event->mimeData());
    if (path.isEmpty() || Running())
        return;
    edit1_->setText(path);
    edit1_->setCursorPosition(0);
    event->acceptProposedAction();
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
    if (watched == edit1_) {
        switch (event->type()) {
        case QEvent::DragEnter:
        case QEvent::DragMove:
        case QEvent::Drop: {
            auto* drop = static_cast<QDropEvent*>(event);
            if (DroppedFilePath(drop->mimeData()).isEmpty())
                break;
            if (Running())
                return true;
            if (event->type() == QEvent::Drop)
                dropEvent(drop);
            else
                drop->acceptProposedAction();
            return true;
        }
        case QEvent::KeyPress: {
            // Ctrl+C copies the field's selected text; with nothing selected, the chart.
            auto* key = static_cast<QKeyEvent*>(event);
            if (key->matches(QKeySequence::Copy) && !edit1_->hasSelectedText()) {
                ui::Guarded([this] { CopyChartPicture(); });
                return true;
            }
            break;
        }
        default:
            break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TForm1::SetPathText(const QString& path) {
    edit1_->setText(path);
    edit1_->setCursorPosition(0);
}

void TForm1::Button1Click() {
    if (Running())
        return;
    StopFollowing();
    busy_.Begin();
    closeAfterRun_ = false;
    std::exception_ptr failure;
    try {
        run_->Button1Click(button1_);
    } catch (...) {
        failure = std::current_exception();
    }
    ShowFailure(failure);
    EndRun();
}

void TForm1::ShowFailure(std::exception_ptr failure) {
    // The message comes before what the user did meanwhile: held input handed on while
    // the box is up would go to windows the box blocks, and be lost.
    if (failure) {
        showingFailure_ = true;
        ui::HandleException(failure);
        showingFailure_ = false;
    }
}

void TForm1::StartFollowing(const QString& path) {
    if (Running())
        return;
    StopFollowing();
    SetPathText(path);
    const bool standard = path.isEmpty() || path == QStringLiteral("-");
    following_ = std::make_shared<TFollowing>(standard ? std::string() : ui::FileNameBytes(path));
    setWindowTitle(kFollowingCaption);
    if (standard) {
        // Standard input has no end to count to: no run, each line a point as it comes.
        PlotStarting();
        series1_->ClearPoints();
        following_->SeriesCleared();
        UpdateChart();
    }
    followTimer_->start();
}

void TForm1::StopFollowing() {
    if (!following_)
        return;
    followTimer_->stop();
    following_->Cancel = true;
    following_.reset();
    setWindowTitle(kCaption);
}

void TForm1::FollowLook() {
    // New points wait while a run or its message is going on, and while the user drags.
    if (!following_ || Running() || showingFailure_ || chart1_->ZoomRecord().Dragging ||
        chart1_->PanningRecord().Dragging)
        return;
    std::exception_ptr failure;
    try {
        const TFollowing::TNews news = following_->Look();
        if (news.NeedsRun) {
            RunFollowed();
            return;
        }
        if (news.Changed) {
            run_->SetPaced(false);
            try {
                following_->UpdateSeries(*series1_);
            } catch (...) {
                run_->SetPaced(true);
                throw;
            }
            run_->SetPaced(true);
            UpdateChart();
        }
        if (news.Ended)
            StopFollowing();
    } catch (...) {
        failure = std::current_exception();
        StopFollowing();
    }
    ShowFailure(failure);
}

void TForm1::RunFollowed() {
    busy_.Begin();
    closeAfterRun_ = false;
    std::exception_ptr failure;
    const std::shared_ptr<TFollowing> following = following_;
    try {
        // The rest of what the file holds now, read aside as a run reads its file.
        if (!busy_.RunAside([following] { following->ReadAll(); },
                            [following] { following->Cancel = true; }))
            throw EAbort();
        const std::vector<TDataRow> rows = following->RunPoints();
        run_->PlotRows(rows, static_cast<int32_t>(rows.size()));
        following->RunDone();
        // Esc or a close request ended the run, and with it the following.
        if (busy_.StopRequested())
            StopFollowing();
    } catch (...) {
        failure = std::current_exception();
        StopFollowing();
    }
    ShowFailure(failure);
    EndRun();
}

void TForm1::EndRun() {
    if (closeAfterRun_) {
        // What the user did meanwhile was meant for a window that is going away.
        busy_.End(/*deliverHeld=*/false);
        closeAfterRun_ = false;
        close();
        return;
    }
    busy_.End(/*deliverHeld=*/true);
}

void TForm1::closeEvent(QCloseEvent* event) {
    if (Running()) {
        event->ignore();
        closeAfterRun_ = true;
        busy_.RequestStop();
        // The failure's message need not be answered first: it goes with the window.
        if (showingFailure_) {
            if (auto* box = qobject_cast<QDialog*>(QApplication::activeModalWidget()))
                box->reject();
        }
        return;
    }
    StopFollowing();
    QWidget::closeEvent(event);
}

void TForm1::keyPressEvent(QKeyEvent* event) {
    // Keys no control took: the window's own.
    if (event->matches(QKeySequence::Save)) {
        ui::Guarded([this] { SaveChartPicture(); });
    } else if (event->matches(QKeySequence::Copy)) {
        ui::Guarded([this] { CopyChartPicture(); });
    } else if (event->matches(QKeySequence::Open)) {
        ui::Guarded([this] { OpenDataFile(); });
    } else if (event->matches(QKeySequence::Print)) {
        ui::Guarded([this] { PrintChartPicture(); });
    } else if (event->key() == Qt::Key_F5 && event->modifiers() == Qt::NoModifier) {
        if (Following())
            StopFollowing();
        else
            ui::Guarded([this] { StartFollowing(edit1_->text()); });
    } else if (event->key() == Qt::Key_Escape && Following()) {
        StopFollowing();
    } else {
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
}

const gfx::Bitmap& TForm1::ShownChart() {
    chart1Window_->Update();
    return chart1Window_->Surface();
}

QImage TForm1::ChartPicture() {
    const gfx::Bitmap& surface = ShownChart();
    if (surface.Empty())
        return {};
    QImage picture = QImage(reinterpret_cast<const uchar*>(surface.Data()), surface.Width(),
                            surface.Height(), surface.Width() * 4, QImage::Format_RGB32)
                         .copy();
    // Drawn at the screen's density, and pasted as such.
    const auto density = static_cast<int>(gfx::PngPixelsPerMetre(chart1_->PixelScale()));
    picture.setDotsPerMeterX(density);
    picture.setDotsPerMeterY(density);
    return picture;
}

QString TForm1::DefaultPicturePath() const {
    const QString data = plottedPath_.isEmpty() ? edit1_->text() : plottedPath_;
    const QFileInfo info(data);
    QString name = info.completeBaseName();
    if (name.isEmpty())
        name = QStringLiteral("chart");
    QString folder = info.absolutePath();
    if (data.isEmpty() || !QFileInfo(folder).isDir() || !QFileInfo(folder).isWritable())
        folder = QDir::homePath();
    return QDir(folder).filePath(name + QStringLiteral(".png"));
}

namespace {

// The pictures Ctrl+S offers: the dialog's filter and the suffix of each.
struct PictureKind {
    const char* Filter;
    const char* Suffix;
};
constexpr std::array<PictureKind, 3> kPictureKinds{{{"PNG pictures (*.png)", "png"},
                                                    {"SVG pictures (*.svg)", "svg"},
                                                    {"PDF documents (*.pdf)", "pdf"}}};

} // namespace

std::string TForm1::VectorChartPicture(TVectorFormat format) {
    ShownChart();
    const QString data = plottedPath_.isEmpty() ? edit1_->text() : plottedPath_;
    return VectorPicture(*chart1_, format, PictureTitle(data.toStdString()));
}

void TForm1::WriteChartPicture(const QString& path) {
    const QString suffix = QFileInfo(path).suffix().toLower();
    std::string error;
    if (suffix == QStringLiteral("svg") || suffix == QStringLiteral("pdf")) {
        const std::string document = VectorChartPicture(
            suffix == QStringLiteral("svg") ? TVectorFormat::vfSVG : TVectorFormat::vfPDF);
        const int err = platform::WriteFileSafely(path.toStdString(), [&document](std::FILE* file) {
            return std::fwrite(document.data(), 1, document.size(), file) == document.size();
        });
        if (err != 0)
            error = platform::ErrorText(err);
    } else {
        error = gfx::SavePng(ShownChart(), path.toStdString(), chart1_->PixelScale());
    }
    if (!error.empty())
        throw std::runtime_error("Cannot save the picture as " + path.toStdString() + ": " + error);
}

void TForm1::SaveChartPicture() {
    if (Running())
        return;
    QFileDialog dialog(this, QStringLiteral("Save the chart as a picture"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    QStringList filters;
    for (const PictureKind& kind : kPictureKinds)
        filters << QString::fromLatin1(kind.Filter);
    dialog.setNameFilters(filters);
    const QString path = DefaultPicturePath();
    dialog.setDirectory(QFileInfo(path).absolutePath());
    dialog.selectFile(QFileInfo(path).fileName());
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    QString chosen = dialog.selectedFiles().constFirst();
    // A name without a suffix of a picture takes the one of the filter chosen.
    const QString suffix = QFileInfo(chosen).suffix().toLower();
    const auto named = std::find_if(kPictureKinds.begin(), kPictureKinds.end(),
                                    [&](const PictureKind& k) { return suffix == k.Suffix; });
    if (named == kPictureKinds.end()) {
        const auto filter =
            std::find_if(kPictureKinds.begin(), kPictureKinds.end(), [&](const PictureKind& k) {
                return dialog.selectedNameFilter() == k.Filter;
            });
        chosen += QLatin1Char('.') +
                  QString::fromLatin1(filter == kPictureKinds.end() ? "png" : filter->Suffix);
    }
    WriteChartPicture(chosen);
}

void TForm1::CopyChartPicture() {
    if (Running())
        return;
    const QImage picture = ChartPicture();
    if (picture.isNull())
        return;
    // Office programs take the image, drawing programs the SVG.
    auto data = std::make_unique<QMimeData>();
    data->setImageData(picture);
    const std::string svg = VectorChartPicture(TVectorFormat::vfSVG);
    data->setData(QStringLiteral("image/svg+xml"),
                  QByteArray(svg.data(), static_cast<qsizetype>(svg.size())));
    QGuiApplication::clipboard()->setMimeData(data.release());
}

void TForm1::PrintChartPicture() {
    if (Running())
        return;
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(QFileInfo(DefaultPicturePath()).completeBaseName());
    QPrintDialog dialog(&printer, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    PrintChart(printer);
}

void TForm1::PrintChart(QPrinter& printer) {
    // The chart's size in pixels of the window, and the scale that fits it to the page;
    // drawn at that scale it lands on the paper one pixel to a printer dot.
    const int edge = 2 * ui::QtWindowHost::kEdgeWidth;
    const int width = std::max(chart1Window_->width() - edge, 1);
    const int height = std::max(chart1Window_->height() - edge, 1);
    const QRect page = printer.pageLayout().paintRectPixels(printer.resolution());
    const double fit = std::min(static_cast<double>(page.width()) / width,
                                static_cast<double>(page.height()) / height);
    if (!(fit > 0))
        throw std::runtime_error("Cannot print the chart: the page has no room for it");
    const double scale = std::min(fit, kMostPrintScale);
    gfx::Bitmap picture(gfx::ScalePixels(width, scale), gfx::ScalePixels(height, scale), 0xFFFFFF);
    chart1_->DrawForPrinting(picture, scale);
    const QImage image(reinterpret_cast<const uchar*>(picture.Data()), picture.Width(),
                       picture.Height(), picture.Width() * 4, QImage::Format_RGB32);
    QPainter painter;
    if (!painter.begin(&printer))
        throw std::runtime_error("Cannot print the chart: the printer could not be opened");
    painter.drawImage(QRectF(0, 0, width * fit, height * fit), image);
    if (!painter.end())
        throw std::runtime_error("Cannot print the chart: the printer failed");
}

void TForm1::OpenDataFile() {
    if (Running())
        return;
    const QFileInfo current(edit1_->text());
    const QString folder =
        QFileInfo(current.absolutePath()).isDir() ? current.absolutePath() : QDir::homePath();
    QFileDialog dialog(this, QStringLiteral("Open a data file"), folder,
                       QStringLiteral("Data files (*.txt *.dat);;All files (*)"));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    // Not ExistingFile: the dialog would look for a name that is not UTF-8 under the
    // name it shows, and refuse it. The run says so should the file not exist.
    dialog.setFileMode(QFileDialog::AnyFile);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    SetPathText(
        ui::ExistingFileName(QDir::toNativeSeparators(dialog.selectedFiles().constFirst())));
}

namespace {

// The shortest text that reads back as the same double.
QString ShortestText(double value) {
    char text[64];
    const auto result = std::to_chars(text, text + sizeof(text), value);
    return QString::fromLatin1(text, result.ptr - text);
}

} // namespace

std::optional<ui::TToolTip> TForm1::PointToolTip(int32_t x, int32_t y) {
    if (Running())
        return std::nullopt;
    const TChartClickedPart part = chart1_->PointUnder(x, y);
    if (part.Part != TChartClickedPartStyle::cpSeries || !part.Series)
        return std::nullopt;
    const double px = part.Series->XValues().ValueAt(part.PointIndex);
    const double py = part.Series->YValues().ValueAt(part.PointIndex);
    // It stays up while the pointer stays about where it rested (two pixels of the screen's
    // size, whatever its density).
    const int32_t d = chart1_->Canvas3D().Pixels(2);
    return ui::TToolTip{QStringLiteral("X: %1\nY: %2").arg(ShortestText(px), ShortestText(py)),
                        QRect(x - d, y - d, 2 * d + 1, 2 * d + 1)};
}

void TForm1::ScrollBar1Change() {
    run_->ScrollBar1Change(scrollBar1_->value());
}

std::string TForm1::PathText() const {
    return ui::FileNameBytes(edit1_->text());
}

void TForm1::SetProgressMax(int32_t value) {
    progressMax_ = value;
    ApplyProgressRange();
}

void TForm1::SetProgressPosition(int32_t value) {
    progressPosition_ = value;
    const int before = ProgressFill();
    ApplyProgressRange();
    // The run holds the message loop: the bar shows its new position at once or never.
    // It looks the same for many points of a long run: only a new filled width is painted.
    if (ProgressFill() != before)
        progressBar1_->repaint();
}

int TForm1::ProgressFill() const {
    // The width the bar's style fills: its share of the contents, rounded down. The
    // contents are asked of the style once for each size and style of the bar, not at every
    // point of a run.
    if (progressBar1_->size() != progressSize_ || progressBar1_->style() != progressStyle_) {
        QStyleOptionProgressBar option;
        option.initFrom(progressBar1_);
        option.minimum = progressBar1_->minimum();
        option.maximum = progressBar1_->maximum();
        option.progress = progressBar1_->value();
        progressContents_ =
            progressBar1_->style()
                ->subElementRect(QStyle::SE_ProgressBarContents, &option, progressBar1_)
                .width();
        progressSize_ = progressBar1_->size();
        progressStyle_ = progressBar1_->style();
    }
    const int64_t minimum = progressBar1_->minimum();
    const int64_t steps = std::max<int64_t>(int64_t{progressBar1_->maximum()} - minimum, 1);
    return static_cast<int>((progressBar1_->value() - minimum) * progressContents_ / steps);
}

void TForm1::ShowProgress() {
    progressBar1_->show();
}

void TForm1::ApplyProgressRange() {
    // A maximum of 0 would make the bar a busy indicator; it stays an empty bar instead.
    // Positions outside the range stand at its ends, as a bar cannot show them.
    const int maximum = std::max(progressMax_, 0);
    progressBar1_->setRange(0, std::max(maximum, 1));
    progressBar1_->setValue(maximum == 0 ? 0 : std::clamp(progressPosition_, 0, maximum));
}

void TForm1::UpdateChart() {
    chart1_->Update();
}

void TForm1::Sleep(int32_t milliseconds) {
    if (Running())
        busy_.Pause(milliseconds);
    else
        ui::SleepMilliseconds(milliseconds);
}

void TForm1::PlotStarting() {
    plottedPath_ = edit1_->text();
    chart1_->RestoreZoom();
}

bool TForm1::StopRequested() const {
    return busy_.StopRequested();
}

bool TForm1::RunReading(const std::function<void()>& read, const std::function<void()>& cancel) {
    return busy_.RunAside(read, cancel);
}

} // namespace vemora
