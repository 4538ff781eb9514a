#include "gui/main_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDockWidget>
#include <QMenuBar>
#include <QPainter>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>
#include <algorithm>

#include "gui/info_bar.h"
#include "gui/menu_layout.h"
#include "gui/qt_ui.h"

#if __has_include("app/command_table.h")
#include "app/command_table.h"
#define ORVEX_HAVE_COMMANDS 1
#endif

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

struct ToolEntry {
    const char* path;
    QStyle::StandardPixmap standard;  // SP_CustomBase: use the glyph
    const char* glyph;
    QColor colour;
};

}  // namespace

MainWindow::MainWindow(QtUi& ui, QWidget* parent) : QMainWindow(parent), ui_(ui) {
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
    addFrontEndCommands();
    rebuildMenus();

    // Tool-bar buttons show their state without a menu being opened, and
    // acquisition changes it from inside the scan's pump.
    auto* timer = new QTimer(this);
    timer->setInterval(250);
    connect(timer, &QTimer::timeout, this, [this] { refreshCommandState(); });
    timer->start();
    connect(mdi_, &QMdiArea::subWindowActivated, this, [this] { refreshCommandState(); });
}

MainWindow::~MainWindow() {
    ui_.onStatus = nullptr;
    ui_.onProgress = nullptr;
    ui_.onPrompt = nullptr;
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
    infoBar_->setMinimumHeight(30);
    infoDock_->setWidget(infoBar_);
    addDockWidget(Qt::BottomDockWidgetArea, infoDock_);
}

void MainWindow::addFrontEndCommands() {
#ifdef ORVEX_HAVE_COMMANDS
    auto& table = app::commandTable();
    auto addIfMissing = [&table](app::Command command) {
        const app::Command* present = table.find(command.path);
        if (present && present->run) return;
        table.add(std::move(command));
    };
    auto barCommand = [&](const char* path, QWidget* bar, const char* status) {
        app::Command c;
        c.path = path;
        c.status = status;
        c.run = [bar] { bar->setVisible(!bar->isVisible()); };
        c.checked = [bar] { return bar->isVisible(); };
        addIfMissing(std::move(c));
    };
    auto plain = [&](const char* path, std::function<void()> run, std::function<bool()> enabled,
                     const char* status, bool separator = false) {
        app::Command c;
        c.path = path;
        c.run = std::move(run);
        c.enabled = std::move(enabled);
        c.status = status;
        c.separatorBefore = separator;
        addIfMissing(std::move(c));
    };
    auto anyWindow = [this] { return !mdi_->subWindowList().isEmpty(); };
    plain("Window > &Cascade", [this] { mdi_->cascadeSubWindows(); }, anyWindow,
          "Arrange windows so they overlap", true);
    plain("Window > &Tile", [this] { mdi_->tileSubWindows(); }, anyWindow,
          "Arrange windows as non-overlapping tiles");
    plain("Window > &Arrange Icons", [this] {
        // Minimised windows are lined up along the bottom of the work area.
        int x = 0;
        for (QMdiSubWindow* w : mdi_->subWindowList())
            if (w->isMinimized()) {
                w->move(x, mdi_->viewport()->height() - w->height());
                x += w->width();
            }
    }, anyWindow, "Arrange icons at the bottom of the window");
    barCommand("Window > Tool Bar", standardBar_, "Show or hide the tool bar");
    barCommand("Window > Status Bar", statusBar(), "Show or hide the status bar");
    barCommand("Window > Histogram/Info", infoDock_, "Show or hide the histogram and information bar");
    barCommand("Window > Color Palette", paletteBar_, "Show or hide the colour palette bar");
    barCommand("Window > Zoom Bar", zoomBar_, "Show or hide the zoom bar");
    barCommand("Window > Acquisition Bar", acquisitionBar_, "Show or hide the acquisition bar");
    plain("Help > &About Orvex...", [this] {
        platform::ui().message("Orvex 4.0\nImaging workstation of the electron microprobe",
                               "About Orvex", platform::Buttons::Ok, platform::Icon::Information);
    }, nullptr, "Program information and version");
#endif
}

void MainWindow::rebuildMenus() {
    menuBar()->clear();
    actions_.clear();
    for (QToolBar* bar : {standardBar_, zoomBar_, acquisitionBar_}) bar->clear();
#ifdef ORVEX_HAVE_COMMANDS
    const auto& commands = app::commandTable().all();
    std::vector<size_t> order(commands.size());
    for (size_t i = 0; i < order.size(); ++i) order[i] = i;
    auto topIndex = [](const std::string& path) {
        const std::string top = menuKey(splitPath(path).front());
        const auto& menus = topMenus();
        for (size_t i = 0; i < menus.size(); ++i)
            if (menuKey(menus[i]) == top) return int(i);
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
                    if (menuKey(top) == menuKey(text)) text = top;
            }
            key += (key.empty() ? "" : " > ") + menuKey(parts[i]);
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
        const auto parts = splitPath(c.path);
        if (parts.size() < 2) continue;
        QMenu* menu = menuFor(parts);
        if (c.separatorBefore && !menu->isEmpty()) menu->addSeparator();
        QAction* action = menu->addAction(QString::fromStdString(parts.back()));
        action->setObjectName(QString::fromStdString(menuKey(c.path)));
        action->setStatusTip(QString::fromStdString(c.status));
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
        actions_[menuKey(c.path)] = action;
    }

    static const ToolEntry standardTools[] = {
        {"File > Open...", QStyle::SP_DialogOpenButton, "", {}},
        {"File > Save", QStyle::SP_DialogSaveButton, "", {}},
        {"File > Print...", QStyle::SP_CustomBase, "\u2399", {}},
        {"Basic > Duplicate", QStyle::SP_CustomBase, "\u29C9", {}},
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
        {"Acquire > Finish", QStyle::SP_CustomBase, "\u23F9", QColor(160, 100, 0)},
        {"Acquire > Halt", QStyle::SP_CustomBase, "\u25A0", QColor(190, 0, 0)},
    };
    auto fill = [this](QToolBar* bar, const ToolEntry* begin, const ToolEntry* end) {
        for (const ToolEntry* e = begin; e != end; ++e) {
            QAction* a = action(e->path);
            if (!a) continue;  // commands that do not exist get no button
            a->setIcon(e->standard == QStyle::SP_CustomBase
                           ? glyphIcon(QString::fromUtf8(e->glyph),
                                       e->colour.isValid() ? e->colour : QColor(30, 30, 30))
                           : style()->standardIcon(e->standard));
            QString tip = a->text();
            tip.remove('&');
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
    const auto it = actions_.find(menuKey(path));
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
    for (const app::Command& c : app::commandTable().all()) {
        QAction* a = action(c.path);
        if (!a) continue;
        a->setEnabled(c.run && (!c.enabled || c.enabled()));
        if (c.checked) a->setChecked(c.checked());
    }
#endif
    emit commandsRefreshed();
}

QString MainWindow::settingsPath() const { return QString(); }

void MainWindow::restoreLayout() {}

void MainWindow::saveLayout() {}

void MainWindow::start() {
    if (started_) return;
    started_ = true;
    restoreLayout();
    show();
}

void MainWindow::closeEvent(QCloseEvent* event) {
    saveLayout();
    ui_.setQuitting();
    event->accept();
}

}  // namespace orvex::gui
