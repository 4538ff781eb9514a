#include "gui/main_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QDockWidget>
#include <QFile>
#include <QTextBrowser>
#include <QVBoxLayout>
#include <QMenuBar>
#include <QPainter>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "app/program_folder.h"
#include "config/profile_file.h"
#include "gui/image_view.h"
#include "gui/info_bar.h"
#include "gui/menu_layout.h"
#include "gui/printing.h"
#include "gui/qt_ui.h"
#include "imagestore/image_interface.h"
#include "imagestore/orvex_view.h"
#include "imagestore/window_list.h"

#if __has_include("app/command_table.h")
#include "app/command_table.h"
#define ORVEX_HAVE_COMMANDS 1
#endif
#if __has_include("app/status_text.h")
#include "app/status_text.h"
#define ORVEX_HAVE_STATUS_TEXT 1
#endif
#if __has_include("app/application.h")
#include "app/application.h"
#define ORVEX_HAVE_APPLICATION 1
#endif
#if __has_include("acquisition/acquire_commands.h")
#include "acquisition/acquire_commands.h"
#include "acquisition/run_state.h"
#define ORVEX_HAVE_ACQUISITION 1
#endif
#if __has_include("app/macro_recorder.h")
#include "app/macro_recorder.h"
#define ORVEX_HAVE_MACROS 1
#endif
#if __has_include("app/progress.h")
#include "app/progress.h"
#define ORVEX_HAVE_PROGRESS 1
#endif

// The resources live in a static library: they must be registered by hand.
static void initGuiResources() { Q_INIT_RESOURCE(orvex); }

namespace orvex::gui {

namespace {

// A small painted tool-bar glyph, so the bars need no image files.
[[maybe_unused]] QIcon glyphIcon(const QString& glyph, QColor colour = QColor(30, 30, 30)) {
    QPixmap pixmap(24, 24);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    QFont font = p.font();
    font.setPixelSize(glyph.size() > 1 ? 11 : 17);
    font.setBold(true);
    p.setFont(font);
    p.setPen(colour);
    p.drawText(pixmap.rect(), Qt::AlignCenter, glyph);
    return QIcon(pixmap);
}

// A printer drawn with a few shapes (no font carries a reliable glyph for it).
QIcon printerIcon() {
    QPixmap pixmap(24, 24);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setPen(QColor(40, 40, 40));
    p.setBrush(Qt::white);
    p.drawRect(7, 3, 10, 7);    // paper in
    p.setBrush(QColor(150, 150, 160));
    p.drawRect(3, 9, 18, 8);    // body
    p.setBrush(Qt::white);
    p.drawRect(7, 14, 10, 7);   // paper out
    return QIcon(pixmap);
}

// Finish: play to the end and stop there, a triangle against a bar, drawn
// with shapes (the fonts of a fresh machine often lack the media glyphs).
QIcon finishIcon() {
    QPixmap pixmap(24, 24);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(160, 100, 0));
    const QPointF triangle[] = {{5, 5}, {15, 12}, {5, 19}};
    p.drawPolygon(triangle, 3);
    p.drawRect(QRectF(16, 5, 3.5, 14));
    return QIcon(pixmap);
}

// Two overlapping sheets: a copy.
QIcon duplicateIcon() {
    QPixmap pixmap(24, 24);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setPen(QColor(40, 40, 40));
    p.setBrush(QColor(200, 200, 210));
    p.drawRect(3, 3, 12, 14);
    p.setBrush(Qt::white);
    p.drawRect(9, 7, 12, 14);
    return QIcon(pixmap);
}

// The "Color Palette" bar: the 256 entries of the active image's palette.
class PaletteStrip : public QWidget {
public:
    explicit PaletteStrip(QWidget* parent) : QWidget(parent) {
        setObjectName("PaletteStrip");
        setFixedSize(260, 20);
    }
    void showPalette(std::vector<uint32_t> colours) {
        colours_ = std::move(colours);
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.fillRect(rect(), palette().window());
        if (colours_.empty()) return;
        const int n = static_cast<int>(colours_.size());
        const double w = double(width() - 4) / n;
        for (int i = 0; i < n; ++i) {
            const uint32_t c = colours_[i];
            p.fillRect(QRectF(2 + i * w, 2, std::max(1.0, w), height() - 4),
                       QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF));
        }
    }

private:
    std::vector<uint32_t> colours_;
};

struct ToolEntry {
    const char* path;
    QStyle::StandardPixmap standard;  // SP_CustomBase: use the glyph
    const char* glyph;
    QColor colour;
};

}  // namespace

static MainWindow* theMainWindow = nullptr;
// The information bar is never made smaller than its text panes can be read at.
static constexpr int kSmallestInfoBar = 20;

MainWindow* MainWindow::instance() { return theMainWindow; }

MainWindow::MainWindow(QtUi& ui, QWidget* parent) : QMainWindow(parent), ui_(ui) {
    theMainWindow = this;
    printing_ = std::make_unique<ImagePrinting>();
    profilePath = (QCoreApplication::applicationDirPath() + "/Orvex.ini").toStdString();
    setObjectName("MainWindow");
    setWindowTitle("Orvex");
    setWindowIcon(QIcon(":/orvex/orvex.svg"));
    mdi_ = new QMdiArea(this);
    mdi_->setObjectName("MdiArea");
    mdi_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    mdi_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    mdi_->setBackground(QColor(96, 104, 112));
    setCentralWidget(mdi_);
    setDockOptions(QMainWindow::AnimatedDocks | QMainWindow::AllowNestedDocks);
    resize(1100, 780);

    buildBars();
    ui_.setParentWindow(this);
    ui_.onStatus = [this](int pane, const std::string& text) {
        infoBar_->setPane(pane, QString::fromStdString(text));
    };
    ui_.onProgress = [this](int percent, const std::string& text) {
        infoBar_->setProgress(percent, QString::fromStdString(text));
    };
    ui_.onPrompt = [this](const std::string& prompt) {
        statusPanes_[0]->setText(QString::fromStdString(prompt));
    };
    // A run dispatches the other commands from inside its pump: the Acquire
    // entries and buttons must show it then, so that Halt can be pressed.
    ui_.onPump = [this] { followRunState(); };
    ui_.onPickChanged = [this] { updateActions(); };
    statusTimer_ = new QTimer(this);
    statusTimer_->setSingleShot(true);
    statusTimer_->setInterval(300);
    connect(statusTimer_, &QTimer::timeout, this, [this] { refreshStatus(); });
    histogramTimer_ = new QTimer(this);
    histogramTimer_->setSingleShot(true);
    histogramTimer_->setInterval(500);
    connect(histogramTimer_, &QTimer::timeout, this, [this] { recountHistogram(); });
    installShellHooks();
    addFrontEndCommands();
    rebuildMenus();

    // Tool-bar buttons show their state without a menu being opened (a run
    // is followed from its pump as well, at once).
    auto* timer = new QTimer(this);
    timer->setObjectName("commandRefresh");
    timer->setInterval(250);
    connect(timer, &QTimer::timeout, this, [this] {
        syncWindows();
        refreshCommandState();
    });
    timer->start();
    connect(mdi_, &QMdiArea::subWindowActivated, this, [this](QMdiSubWindow* sub) {
        if (auto* frame = qobject_cast<ImageFrame*>(sub)) {
            windowList().SetActive(frame->imageView()->handle());
            histogramStale_ = true;
            linesSinceCount_ = 0;
        }
        refreshStatus();
        refreshCommandState();
    });
}

MainWindow::~MainWindow() {
#ifdef ORVEX_HAVE_MACROS
    app::macroRecorder().Stop();
    app::macroRecorder().replayable = nullptr;
#endif
#ifdef ORVEX_HAVE_COMMANDS
    for (const std::string& path : ownCommands_) app::commandTable().remove(path);
#endif
    windowList().RemoveApplicationListener(&MainWindow::applicationListener);
    windowList().hooks = ShellHooks{};
#ifdef ORVEX_HAVE_APPLICATION
    app::application().frontEnd = app::FrontEndHooks{};
#endif
    for (ImageFrame* frame : frames()) {
        disconnect(frame, nullptr, this, nullptr);
        delete frame;
    }
    frames_.clear();
    if (theMainWindow == this) theMainWindow = nullptr;
    ui_.onStatus = nullptr;
    ui_.onProgress = nullptr;
    ui_.onPrompt = nullptr;
    ui_.onPump = nullptr;
    ui_.onPickChanged = nullptr;
    ui_.setParentWindow(nullptr);
}

QLabel* MainWindow::statusPane(int pane) const {
    return pane >= 0 && pane < 4 ? statusPanes_[pane] : nullptr;
}

void MainWindow::buildBars() {
    standardBar_ = addToolBar("Tool Bar");
    standardBar_->setObjectName("ToolBar");
    zoomBar_ = addToolBar("Zoom Bar");
    zoomBar_->setObjectName("ZoomBar");
    acquisitionBar_ = addToolBar("Acquisition Bar");
    acquisitionBar_->setObjectName("AcquisitionBar");
    paletteBar_ = addToolBar("Color Palette");
    paletteBar_->setObjectName("ColorPalette");
    paletteStrip_ = new PaletteStrip(paletteBar_);
    paletteBar_->addWidget(paletteStrip_);
    for (QToolBar* bar : {standardBar_, zoomBar_, acquisitionBar_, paletteBar_}) {
        bar->setAllowedAreas(Qt::AllToolBarAreas);
        bar->setIconSize(QSize(22, 22));
    }

    auto* status = statusBar();
    status->setObjectName("StatusBar");
    for (int i = 0; i < 4; ++i) {
        statusPanes_[i] = new QLabel(this);
        statusPanes_[i]->setObjectName(QString("StatusPane%1").arg(i));
        statusPanes_[i]->setTextFormat(Qt::PlainText);
        if (i == 0)
            status->addWidget(statusPanes_[i], 1);
        else {
            statusPanes_[i]->setMinimumWidth(70);
            statusPanes_[i]->setAlignment(Qt::AlignCenter);
            status->addPermanentWidget(statusPanes_[i]);
        }
    }
    statusPanes_[0]->setText("Ready");

    infoDock_ = new QDockWidget("Histogram/Info", this);
    infoDock_->setObjectName("HistogramInfo");
    infoDock_->setAllowedAreas(Qt::TopDockWidgetArea | Qt::BottomDockWidgetArea);
    infoDock_->setFeatures(QDockWidget::DockWidgetMovable | QDockWidget::DockWidgetClosable |
                           QDockWidget::DockWidgetFloatable);
    infoBar_ = new InfoBar(infoDock_);
    infoBar_->setMinimumHeight(kSmallestInfoBar);
    infoDock_->setWidget(infoBar_);
    addDockWidget(Qt::BottomDockWidgetArea, infoDock_);
}

void MainWindow::addFrontEndCommands() {
#ifdef ORVEX_HAVE_COMMANDS
    auto& table = app::commandTable();
    auto addIfMissing = [this, &table](app::Command command) {
        const app::Command* present = table.find(command.path);
        if (present && present->run) return;
        ownCommands_.push_back(command.path);
        table.add(std::move(command));
    };
    auto barCommand = [&](const char* path, QWidget* bar, const char* status, bool separator = false) {
        app::Command c;
        c.path = path;
        c.status = status;
        c.separatorBefore = separator;
        c.run = [this, bar] { bar->setVisible(!bar->isVisibleTo(this)); };
        c.checked = [this, bar] { return bar->isVisibleTo(this); };
        c.duringPick = true;  // a bar shown or hidden changes nothing a pick relies on
        addIfMissing(std::move(c));
    };
    auto plain = [&](const char* path, std::function<void()> run, std::function<bool()> enabled,
                     const char* status, bool separator = false, bool duringPick = false) {
        app::Command c;
        c.path = path;
        c.run = std::move(run);
        c.enabled = std::move(enabled);
        c.status = status;
        c.separatorBefore = separator;
        c.duringPick = duringPick;
        addIfMissing(std::move(c));
    };
    auto anyWindow = [this] { return !mdi_->subWindowList().isEmpty(); };
    auto activeImage = [] { return static_cast<bool>(LiveView(windowList().Active())); };
    plain("File > &Print...", [this] { printing_->print(windowList().Active(), this); }, activeImage,
          "Print the active image", true);
    plain("File > Print Pre&view", [this] { printing_->preview(windowList().Active(), this); },
          activeImage, "Show the page as it will be printed");
    plain("File > P&rint Setup...", [this] { printing_->setup(this); }, nullptr,
          "Change the printer and printing options");
    plain("Window > &Cascade", [this] { mdi_->cascadeSubWindows(); }, anyWindow,
          "Arrange windows so they overlap", true, true);
    plain("Window > &Tile", [this] { mdi_->tileSubWindows(); }, anyWindow,
          "Arrange windows as non-overlapping tiles", false, true);
    plain("Window > &Arrange Icons", [this] {
        // Minimised windows are lined up along the bottom of the work area.
        int x = 0;
        for (QMdiSubWindow* w : mdi_->subWindowList())
            if (w->isMinimized()) {
                w->move(x, mdi_->viewport()->height() - w->height());
                x += w->width();
            }
    }, anyWindow, "Arrange icons at the bottom of the window", false, true);
    barCommand("Window > Tool Bar", standardBar_, "Show or hide the tool bar", true);
    barCommand("Window > Status Bar", statusBar(), "Show or hide the status bar");
    barCommand("Window > Histogram/Info", infoDock_, "Show or hide the histogram and information bar");
    barCommand("Window > Color Palette", paletteBar_, "Show or hide the colour palette bar");
    barCommand("Window > Zoom Bar", zoomBar_, "Show or hide the zoom bar");
    barCommand("Window > Acquisition Bar", acquisitionBar_, "Show or hide the acquisition bar");
    plain("Help > &Help on Orvex", [this] { showHelp(); }, nullptr, "Show the help on Orvex", false, true);
    plain("Help > &About Orvex...", [this] {
        platform::ui().message("Orvex 4.0\nImaging workstation of the electron microprobe",
                               "About Orvex", platform::Buttons::Ok, platform::Icon::Information);
    }, nullptr, "Program information and version", true);
#endif
}

void MainWindow::rebuildMenus() {
    menuBar()->clear();
    actions_.clear();
    for (QToolBar* bar : {standardBar_, zoomBar_, acquisitionBar_}) bar->clear();
#ifdef ORVEX_HAVE_COMMANDS
    const auto& commands = app::commandTable().all();
    commandCount_ = commands.size();
    std::vector<size_t> order(commands.size());
    for (size_t i = 0; i < order.size(); ++i) order[i] = i;
    auto topIndex = [](const std::string& path) {
        const std::string top = app::NormalisedMenuPath(app::SplitMenuPath(path).front());
        const auto& menus = topMenus();
        for (size_t i = 0; i < menus.size(); ++i)
            if (app::NormalisedMenuPath(menus[i]) == top) return int(i);
        return int(menus.size());
    };
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
        const int ta = topIndex(commands[a].path), tb = topIndex(commands[b].path);
        if (ta != tb) return ta < tb;
        return menuRank(commands[a].path) < menuRank(commands[b].path);
    });

    std::map<std::string, QMenu*> menus;  // by key of the path up to that menu
    auto menuFor = [&](const std::vector<std::string>& parts) {
        QMenu* parent = nullptr;
        std::string key;
        for (size_t i = 0; i + 1 < parts.size(); ++i) {
            std::string text = parts[i];
            if (i == 0) {
                // The top menus carry their mnemonics even when the table's paths do not.
                for (const auto& top : topMenus())
                    if (app::NormalisedMenuPath(top) == app::NormalisedMenuPath(text)) text = top;
            }
            key += (key.empty() ? "" : " > ") + app::NormalisedMenuPath(parts[i]);
            auto it = menus.find(key);
            if (it == menus.end()) {
                QMenu* menu = parent ? parent->addMenu(QString::fromStdString(text))
                                     : menuBar()->addMenu(QString::fromStdString(text));
                menu->setObjectName(QString::fromStdString(key));
                connect(menu, &QMenu::aboutToShow, this, [this] { refreshCommandState(); });
                it = menus.emplace(key, menu).first;
            }
            parent = it->second;
        }
        return parent;
    };

    for (size_t index : order) {
        const app::Command& c = commands[index];
        const auto parts = app::SplitMenuPath(c.path);
        if (parts.size() < 2) continue;
        QMenu* menu = menuFor(parts);
        if (c.separatorBefore && !menu->isEmpty()) menu->addSeparator();
        QAction* action = menu->addAction(QString::fromStdString(parts.back()));
        action->setObjectName(QString::fromStdString(app::NormalisedMenuPath(c.path)));
        // "prompt\ntip": the status bar shows the prompt, a tool button the tip.
        const QString status = QString::fromStdString(c.status);
        action->setStatusTip(status.section('\n', 0, 0));
        action->setProperty("tip", status.section('\n', 1));
        action->setCheckable(static_cast<bool>(c.checked));
        const std::string path = c.path;
        connect(action, &QAction::triggered, this, [this, path] {
            // The handler runs to completion here, as every menu command does.
            app::commandTable().run(path);
            refreshCommandState();
        });
        connect(action, &QAction::hovered, this, [this, action] {
            statusPanes_[0]->setText(action->statusTip());
        });
        actions_[app::NormalisedMenuPath(c.path)] = action;
    }

    static const ToolEntry standardTools[] = {
        {"File > Open...", QStyle::SP_DialogOpenButton, "", {}},
        {"File > Save", QStyle::SP_DialogSaveButton, "", {}},
        {"File > Print...", QStyle::SP_CustomBase, "print", {}},
        {"Basic > Duplicate", QStyle::SP_CustomBase, "duplicate", {}},
        {"Window > Properties...", QStyle::SP_CustomBase, "i", QColor(20, 70, 160)},
        {"Help > About Orvex...", QStyle::SP_CustomBase, "?", QColor(20, 70, 160)},
    };
    static const ToolEntry zoomTools[] = {
        {"Window > Zoom > In", QStyle::SP_CustomBase, "+", {}},
        {"Window > Zoom > Out", QStyle::SP_CustomBase, "\u2212", {}},
        {"Window > Zoom > Extents", QStyle::SP_CustomBase, "\u25A3", {}},
        {"Window > Zoom > Set...", QStyle::SP_CustomBase, "%", {}},
    };
    static const ToolEntry acquisitionTools[] = {
        {"Acquire > Single", QStyle::SP_CustomBase, "\u25B6", QColor(0, 120, 0)},
        {"Acquire > Continuous", QStyle::SP_CustomBase, "\u21BB", QColor(0, 120, 0)},
        {"Acquire > Average", QStyle::SP_CustomBase, "\u03A3", QColor(0, 120, 0)},
        {"Acquire > Finish", QStyle::SP_CustomBase, "finish", QColor(160, 100, 0)},
        {"Acquire > Halt", QStyle::SP_CustomBase, "\u25A0", QColor(190, 0, 0)},
    };
    auto fill = [this](QToolBar* bar, const ToolEntry* begin, const ToolEntry* end) {
        for (const ToolEntry* e = begin; e != end; ++e) {
            QAction* a = action(e->path);
            if (!a) continue;  // commands that do not exist get no button
            a->setIcon(QString(e->glyph) == "print"       ? printerIcon()
                       : QString(e->glyph) == "duplicate" ? duplicateIcon()
                       : QString(e->glyph) == "finish"    ? finishIcon()
                       : e->standard == QStyle::SP_CustomBase
                           ? glyphIcon(QString::fromUtf8(e->glyph),
                                       e->colour.isValid() ? e->colour : QColor(30, 30, 30))
                           : style()->standardIcon(e->standard));
            QString tip = a->property("tip").toString();
            if (tip.isEmpty()) tip = a->text().remove('&');
            a->setToolTip(tip);
            bar->addAction(a);
        }
    };
    fill(standardBar_, std::begin(standardTools), std::end(standardTools));
    fill(zoomBar_, std::begin(zoomTools), std::end(zoomTools));
    fill(acquisitionBar_, std::begin(acquisitionTools), std::end(acquisitionTools));
#endif
    refreshCommandState();
}

QAction* MainWindow::action(const std::string& path) const {
    const auto it = actions_.find(app::NormalisedMenuPath(path));
    return it == actions_.end() ? nullptr : it->second;
}

bool MainWindow::trigger(const std::string& path) {
    QAction* a = action(path);
    if (!a) return false;
    refreshCommandState();
    if (!a->isEnabled()) return false;
    a->trigger();
    return true;
}

void MainWindow::refreshCommandState() {
#ifdef ORVEX_HAVE_COMMANDS
    // Parts register their commands as they start: the menus follow.
    if (app::commandTable().all().size() != commandCount_) {
        rebuildMenus();
        return;
    }
#endif
    updateActions();
}

void MainWindow::followRunState() {
#ifdef ORVEX_HAVE_ACQUISITION
    // Looked at on every pump: a few flags, and the actions only when they moved.
    const AcquireMenuState& m = acquireMenuState();
    const RunState& r = runState();
    const std::array<int, 6> seen = {m.menusGreyed, m.singleChecked, m.continuousChecked,
                                     m.averageChecked, r.runState, r.commandBusy};
    if (seen == runStateSeen_) return;
    runStateSeen_ = seen;
    updateActions();
#endif
}

void MainWindow::updateActions() {
#ifdef ORVEX_HAVE_COMMANDS
    for (const app::Command& c : app::commandTable().all()) {
        QAction* a = action(c.path);
        if (!a) continue;
        a->setEnabled(app::CommandTable::isEnabled(c));
        if (c.checked) a->setChecked(c.checked());
#ifdef ORVEX_HAVE_APPLICATION
        // The recent-file entries show their files and only when there are some.
        const std::string key = app::NormalisedMenuPath(c.path);
        if (key.rfind("file > recent file ", 0) == 0) {
            const int index = std::atoi(key.c_str() + 19) - 1;
            const auto& recent = app::application().recentFiles;
            const bool present = index >= 0 && index < static_cast<int>(recent.size());
            a->setVisible(present);
            if (present)
                a->setText(QString("&%1 %2").arg(index + 1).arg(
                    QString::fromStdString(app::DisplayName(recent[index].path))));
        }
#endif
    }
#endif
    emit commandsRefreshed();
}

void MainWindow::installShellHooks() {
    ShellHooks& hooks = windowList().hooks;
    hooks.repaint = [this](ImageHandle window) {
        if (ImageFrame* frame = frameOf(window.number)) {
            frame->imageView()->placePicture();
            frame->imageView()->syncScrollBars();
            frame->imageView()->viewport()->update();
        }
    };
    hooks.repaintStrip = [this](ImageHandle window, int) {
        if (ImageFrame* frame = frameOf(window.number)) frame->imageView()->repaintNow();
    };
    hooks.refreshStatus = [this] { refreshStatus(); };
    hooks.titleChanged = [this](ImageHandle window) {
        ImageFrame* frame = frameOf(window.number);
        OrvexView* view = LiveView(window);
        if (frame && view) frame->setWindowTitle(windowTitleOf(view->name));
#ifdef ORVEX_HAVE_APPLICATION
        // A renamed active window (an acquisition names its channel windows)
        // shows its new name in pane 0 too; only the text, no recount.
        if (view && windowList().Active() == window && app::application().running) {
            const Image& image = *view->image;
            ui_.setStatusText(0, app::ImagePaneText(app::DisplayName(view->name), view->mapping.ZoomPercent(),
                                                    image.Width(), image.Height(), image.PaletteCount()));
        }
#endif
    };
    hooks.reportProgress = [](int percent) {
#ifdef ORVEX_HAVE_PROGRESS
        app::ReportProgress(percent);
#else
        platform::ui().setProgress(percent, std::to_string(percent) + "%");
#endif
    };
    windowList().AddApplicationListener(&MainWindow::applicationListener);

    infoBar_->paintHistogram = [this](platform::Surface& surface, const platform::Rect& area) {
#if defined(ORVEX_HAVE_APPLICATION)
        app::Application& a = app::application();
        if (!LiveView(a.histogramWindow)) return;
        std::vector<uint32_t> palette;
        GetPalette(a.histogramWindow, palette);
        palette.resize(256, 0);
        a.histogram.Draw(surface, area, palette);
#elif defined(ORVEX_HAVE_STATUS_TEXT)
        static app::InfoHistogram histogram;
        const ImageHandle active = windowList().Active();
        Image* image = LiveImage(active);
        if (!image) return;
        if (histogramStale_ || histogramOf_ != active.number) {
            histogram = app::InfoHistogram::Compute(
                image->Width(), image->Height(),
                [active](int row, uint8_t* values) { return ReadLine8(active, row, values) == ImageDone; });
            histogramOf_ = active.number;
            histogramStale_ = false;
        }
        std::vector<uint32_t> palette;
        GetPalette(active, palette);
        palette.resize(256, 0);
        histogram.Draw(surface, area, palette);
#else
        (void)surface;
        (void)area;
#endif
    };
#ifdef ORVEX_HAVE_APPLICATION
    infoBar_->hoverHistogram = [](int x, const platform::Rect& area) {
        app::application().MouseOverHistogram(x < 0 ? -1 : app::InfoHistogram::BinAt(area, x));
    };
    app::FrontEndHooks& front = app::application().frontEnd;
    front.quit = [this] {
        ending_ = true;
        close();
        QCoreApplication::quit();
    };
    front.saveLayout = [this](const std::string& path) {
        profilePath = path;
        saveLayout();
    };
    front.tileWindows = [this] { mdi_->tileSubWindows(); };
    front.histogramChanged = [this] { infoBar_->refreshHistogram(); };
#endif
}

void MainWindow::applicationListener(const ImageEvent& event) {
    MainWindow* self = instance();
    if (!self) return;
    if (event.code == ImageEventCreated) {
        self->addFrame(event.window.number);
    } else if (event.code == ImageEventAllClosed) {
        self->syncWindows();
        self->refreshStatus();
    }
}

void MainWindow::windowListener(const ImageEvent& event) {
    if (MainWindow* self = instance()) self->onImageEvent(event.window.number, event.code, long(event.first));
}

void MainWindow::onImageEvent(int imageNumber, int code, long first) {
    ImageFrame* frame = frameOf(imageNumber);
    if (!frame) return;
    ImageView* view = frame->imageView();
    const bool active = windowList().Active().number == imageNumber;
    switch (code) {
        case ImageEventLine:
            view->updateRow(static_cast<int>(first));
            if (active) {
                // The histogram follows a scan pass by pass: counted again
                // once a whole image's worth of lines has been written, or
                // when the writes pause. Never on each line, which would cost
                // a count per line.
                histogramStale_ = true;
                const Image* image = LiveImage(ImageHandle{imageNumber});
                if (image && ++linesSinceCount_ >= image->Height())
                    recountHistogram();
                else
                    histogramTimer_->start();
            }
            break;
        case ImageEventBlock:
        case ImageEventPalette:
        case ImageEventRegistration:
        case ImageEventZRegistration:
            view->syncScrollBars();
            view->viewport()->update();
            if (active) {
                histogramStale_ = true;
                if (!statusTimer_->isActive()) statusTimer_->start();
            }
            break;
        case ImageEventSummary:
        case ImageEventSaved:
            if (OrvexView* v = view->view()) frame->setWindowTitle(windowTitleOf(v->name));
            break;
        case ImageEventDestroying:
            ui_.windowClosing(imageNumber);
            frames_.erase(imageNumber);
            // The frame goes once the core is done with the window.
            QTimer::singleShot(0, frame, [frame] { frame->dismiss(); });
            break;
        default:
            break;
    }
}

ImageFrame* MainWindow::addFrame(int imageNumber) {
    if (ImageFrame* present = frameOf(imageNumber)) return present;
    OrvexView* core = LiveView(ImageHandle{imageNumber});
    if (!core) return nullptr;
    auto* view = new ImageView(ImageHandle{imageNumber});
    view->onHover = [this](ImageView& v, std::optional<QPoint> pixel) { hover(v, pixel); };
    auto* frame = new ImageFrame(view);
    frame->closeRequest = [](ImageHandle window) {
#if defined(ORVEX_HAVE_MACROS)
        return app::macroRecorder().CloseWindow(window);  // recorded as a "close" line
#elif defined(ORVEX_HAVE_APPLICATION)
        return app::application().CloseImage(window);
#else
        return CloseImageWindow(window) == ImageDone;
#endif
    };
    frames_[imageNumber] = frame;
    AddImageListener(ImageHandle{imageNumber}, &MainWindow::windowListener);
    connect(frame, &QObject::destroyed, this, [this, imageNumber] { frames_.erase(imageNumber); });
    mdi_->addSubWindow(frame);
    frame->resize(view->sizeHint() + QSize(12, 36));
    frame->show();
    mdi_->setActiveSubWindow(frame);
    return frame;
}

ImageFrame* MainWindow::frameOf(int imageNumber) const {
    const auto it = frames_.find(imageNumber);
    return it == frames_.end() ? nullptr : it->second;
}

QList<ImageFrame*> MainWindow::frames() const {
    QList<ImageFrame*> list;
    for (QMdiSubWindow* sub : mdi_->subWindowList(QMdiArea::CreationOrder))
        if (auto* frame = qobject_cast<ImageFrame*>(sub)) list << frame;
    return list;
}

void MainWindow::syncWindows() {
    for (ImageHandle window : windowList().Windows())
        if (!frameOf(window.number)) addFrame(window.number);
    for (auto it = frames_.begin(); it != frames_.end();) {
        if (!LiveView(ImageHandle{it->first})) {
            ImageFrame* frame = it->second;
            it = frames_.erase(it);
            frame->dismiss();
        } else {
            ++it;
        }
    }
}

void MainWindow::refreshStatus() {
    {
        std::vector<uint32_t> colours;
        GetPalette(windowList().Active(), colours);
        static_cast<PaletteStrip*>(paletteStrip_)->showPalette(std::move(colours));
    }
#ifdef ORVEX_HAVE_APPLICATION
    if (app::application().running) {
        app::application().RefreshStatus();
        OrvexView* view = LiveView(windowList().Active());
        if (view)
            statusPanes_[2]->setText(QString("%1%").arg(std::lround(view->mapping.zoom * 100)));
        else
            statusPanes_[2]->clear();
        infoBar_->refreshHistogram();
        return;
    }
#endif
    const ImageHandle active = windowList().Active();
    Image* image = LiveImage(active);
    OrvexView* view = LiveView(active);
    if (!image || !view) {
        for (int pane = 0; pane < 3; ++pane) infoBar_->setPane(pane, QString());
        statusPanes_[2]->clear();
    } else {
        const int zoom = static_cast<int>(std::lround(view->mapping.zoom * 100));
        QString name = QString::fromStdString(view->name);
        name = name.mid(std::max(name.lastIndexOf('/'), name.lastIndexOf('\\')) + 1);
#ifdef ORVEX_HAVE_STATUS_TEXT
        const std::string text =
            app::ImagePaneText(name.toStdString(), zoom, image->Width(), image->Height(), image->PaletteCount());
        ui_.setStatusText(0, text);
#else
        ui_.setStatusText(0, QString("%1 at %2% (%3x%4x%5)").arg(name).arg(zoom).arg(image->Width())
                                 .arg(image->Height()).arg(image->PaletteCount()).toStdString());
#endif
        statusPanes_[2]->setText(QString("%1%").arg(zoom));
    }
    infoBar_->refreshHistogram();
}

void MainWindow::showHelp() {
    // One help window, kept beside the work rather than in front of it.
    if (!help_) {
        help_ = new QDialog(this);
        help_->setObjectName("Help");
        help_->setWindowTitle("Help on Orvex");
        auto* text = new QTextBrowser(help_);
        text->setObjectName("HelpText");
        initGuiResources();
        QFile file(":/orvex/help.html");
        if (file.open(QIODevice::ReadOnly)) text->setHtml(QString::fromUtf8(file.readAll()));
        auto* layout = new QVBoxLayout(help_);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(text);
        help_->resize(560, 620);
    }
    help_->show();
    help_->raise();
    help_->activateWindow();
}

void MainWindow::recountHistogram() {
    histogramTimer_->stop();
    linesSinceCount_ = 0;
    const ImageHandle active = windowList().Active();
    Image* image = LiveImage(active);
#ifdef ORVEX_HAVE_APPLICATION
    // Quietly: the count's own progress would start the running scan's
    // estimate afresh and overwrite its progress strip.
    app::Application& a = app::application();
    if (image) {
        a.histogram = app::InfoHistogram::Compute(
            image->Width(), image->Height(),
            [active](int row, uint8_t* values) { return ReadLine8(active, row, values) == ImageDone; });
        a.histogramWindow = active;
    }
#else
    (void)image;
#endif
    infoBar_->refreshHistogram();
}

void MainWindow::hover(ImageView& view, std::optional<QPoint> pixel) {
    if (!pixel) return;
    const ImageHandle window = view.handle();
    Image* image = LiveImage(window);
    if (!image) return;
    if (windowList().Active() != window) return;
    const int column = pixel->x(), row = pixel->y();
#ifdef ORVEX_HAVE_APPLICATION
    if (app::application().running) {
        app::application().MouseOverImage(window, column, row);
        return;
    }
#endif
    refreshStatus();
    unsigned value = 0;
    if (image->StorageDepth() > 8) {
        uint16_t v16 = 0;
        image->ReadPixel(column, row, &v16, 16);
        value = v16;
    } else {
        uint8_t v8 = 0;
        image->ReadPixel(column, row, &v8, 8);
        value = v8;
    }
    RealPoint real{double(column), double(row)};
    PixelToReal(window, real);
    const bool positioned = image->IsPositionRegistered();
    const bool zRegistered = image->GetZRegistration().flag != 0;
    const double z = image->ValueToReal(int(value), image->StorageDepth() > 8 ? 16 : 8);
#ifdef ORVEX_HAVE_STATUS_TEXT
    ui_.setStatusText(1, app::PositionPaneText(positioned, real.x, real.y, zRegistered, z));
    ui_.setStatusText(2, app::PixelPaneText(column, row, value));
#else
    char buffer[128];
    std::string position;
    if (positioned) {
        std::snprintf(buffer, sizeof buffer, "X:%.8lg Y:%.8lg ", real.x, real.y);
        position = buffer;
    }
    if (zRegistered) {
        std::snprintf(buffer, sizeof buffer, "Z: %.5g", z);
        position += buffer;
    }
    ui_.setStatusText(1, position.empty() ? "Not Registered" : position);
    std::snprintf(buffer, sizeof buffer, "x:%3d y:%3d v:%3u", column, row, value);
    ui_.setStatusText(2, buffer);
#endif
}

void MainWindow::restoreLayout() {
    // The docking layout is kept under the platform's own scheme: Qt's state
    // record as hexadecimal text, which the profile file holds as any value.
    const std::string state = config::ReadProfileString(profilePath, "bars", "state", "", 8192);
    if (!state.empty()) restoreState(QByteArray::fromHex(QByteArray::fromStdString(state)));
}

void MainWindow::saveLayout() {
    config::WriteProfileString(profilePath, "bars", "state", saveState().toHex().toStdString());
}

void MainWindow::start(const std::string& programFolder, const std::vector<std::string>& files) {
    if (started_) return;
    started_ = true;
    const std::string folder =
        programFolder.empty() ? QCoreApplication::applicationDirPath().toStdString() : programFolder;
    profilePath = app::KeptFilesFolder(folder) + "/Orvex.ini";
    // The rectangle and the bars as the last run left them, before the
    // window shows.
    const int left = config::ReadProfileInt(profilePath, "window", "left", -1);
    const int top = config::ReadProfileInt(profilePath, "window", "top", -1);
    const int right = config::ReadProfileInt(profilePath, "window", "right", -1);
    const int bottom = config::ReadProfileInt(profilePath, "window", "bottom", -1);
    if (left >= 0 && top >= 0 && right - left > 200 && bottom - top > 150)
        setGeometry(left, top, right - left, bottom - top);
    const int infoHeight =
        std::clamp(config::ReadProfileInt(profilePath, "HistogramPalette", "Height", 30), kSmallestInfoBar, 400);
    restoreLayout();
    show();
    // The height as saved, smaller than the bar's own wish as well as larger:
    // the dock is sized around the bar, whose own minimum stays small.
    resizeDocks({infoDock_}, {infoHeight + infoDock_->height() - infoBar_->height()}, Qt::Vertical);
#ifdef ORVEX_HAVE_APPLICATION
    app::Application& a = app::application();
    if (!a.steps.loadSettings && !a.steps.initializeHardware) a.steps = app::DefaultLifecycleSteps();
    a.Start(folder);
    profilePath = a.profilePath;
    rebuildMenus();
#endif
#ifdef ORVEX_HAVE_MACROS
    // What the user does from here on is recorded, the files named on the
    // command line first; the commands that need this window are written as
    // comments.
    app::MacroRecorder& recorder = app::macroRecorder();
    recorder.replayable = [this](const std::string& path) {
        const std::string key = app::NormalisedMenuPath(path);
        for (const std::string& own : ownCommands_)
            if (app::NormalisedMenuPath(own) == key) return false;
        return true;
    };
    recorder.Clear();
    recorder.Start();
    for (const std::string& file : files) recorder.OpenCommandLineFile(file);
#elif defined(ORVEX_HAVE_APPLICATION)
    a.OpenCommandLineFiles(files);
#else
    (void)files;
#endif
    refreshStatus();
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (ending_) {
        ui_.setQuitting();
        event->accept();
        return;
    }
    // The end closes every window; a pick still waiting would return into
    // a command whose windows are gone. The close waits for the pick.
    if (ui_.pickPending()) {
        event->ignore();
        return;
    }
#ifdef ORVEX_HAVE_APPLICATION
    app::Application& a = app::application();
    if (a.running) {
        const QRect r = geometry();
        a.windowRect = {r.left(), r.top(), r.right() + 1, r.bottom() + 1};
        a.infoBarHeight = infoBar_->height();
        // Closing runs the end order; when it ends the program it calls the
        // quit hook, which lets this close through.
        if (!a.CloseMainWindow()) {
            event->ignore();
            return;
        }
        ui_.setQuitting();
        event->accept();
        return;
    }
#endif
    saveLayout();
    ui_.setQuitting();
    event->accept();
}

}  // namespace orvex::gui
