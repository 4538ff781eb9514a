#pragma once
// The main window: the MDI area with the image windows, the menus built from
// the command table, four dockable tool bars, the status bar and the
// "Histogram/Info" bar.
#include <QLabel>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QToolBar>
#include <array>
#include <functional>
#include <map>

namespace orvex::gui {

class InfoBar;
class QtUi;

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(QtUi& ui, QWidget* parent = nullptr);
    ~MainWindow() override;

    /// Shows the window and runs the start-up order.
    void start();

    QMdiArea* mdiArea() const { return mdi_; }
    InfoBar* infoBar() const { return infoBar_; }
    QDockWidget* infoDock() const { return infoDock_; }
    QToolBar* standardBar() const { return standardBar_; }
    QToolBar* zoomBar() const { return zoomBar_; }
    QToolBar* acquisitionBar() const { return acquisitionBar_; }
    QToolBar* paletteBar() const { return paletteBar_; }
    /// Status bar pane 0..3.
    QLabel* statusPane(int pane) const;

    /// The menu action of a command by its menu path ("File > &Open..."),
    /// compared without "&" and case; null when not shown.
    QAction* action(const std::string& path) const;
    /// Runs a command as a click on its menu entry would.
    bool trigger(const std::string& path);
    /// Brings greying and check marks in line with the commands' state.
    void refreshCommandState();
    /// Builds the menus and tool bars again from the command table.
    void rebuildMenus();

signals:
    void commandsRefreshed();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildBars();
    void addFrontEndCommands();
    QString settingsPath() const;
    void restoreLayout();
    void saveLayout();

    QtUi& ui_;
    QMdiArea* mdi_;
    InfoBar* infoBar_;
    QDockWidget* infoDock_;
    QToolBar* standardBar_;
    QToolBar* zoomBar_;
    QToolBar* acquisitionBar_;
    QToolBar* paletteBar_;
    std::array<QLabel*, 4> statusPanes_{};
    std::map<std::string, QAction*> actions_;  // by normalised path
    std::vector<QAction*> toolActions_;
    bool started_ = false;
};

}  // namespace orvex::gui
