#pragma once
// The main window: the MDI area with the image windows, the menus built from
// the command table, four dockable tool bars, the status bar and the
// "Histogram/Info" bar.
#include <QLabel>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QDialog>
#include <QPointer>
#include <QTimer>
#include <QToolBar>
#include <array>
#include <functional>
#include <map>
#include <memory>
#include <optional>

#include "imagestore/image_handle.h"

namespace orvex::gui {

class ImageFrame;
class ImagePrinting;
class ImageView;
class InfoBar;
class QtUi;

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(QtUi& ui, QWidget* parent = nullptr);
    ~MainWindow() override;

    /// Shows the window and runs the start-up order with the profile file
    /// and settings of `programFolder` (the program's folder when empty),
    /// then opens the files of the command line.
    void start(const std::string& programFolder = "", const std::vector<std::string>& files = {});

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

    /// The frame showing an image number, or null.
    ImageFrame* frameOf(int imageNumber) const;
    /// Every image frame, in creation order.
    QList<ImageFrame*> frames() const;
    /// Makes the frames match the core's window list: a frame for every
    /// window, none for closed ones.
    void syncWindows();
    /// The bars and the information bar for the active image.
    void refreshStatus();
    /// Counts the information bar's histogram of the active image again
    /// without reporting progress (a running scan owns the progress strip).
    void recountHistogram();
    /// Line writes to the active window since its histogram was counted.
    int linesSinceCount() const { return linesSinceCount_; }

    /// The profile file the bar layout is kept in ("Orvex.ini" beside the program).
    std::string profilePath;
    /// Writes and reads the bars' docking layout (section "bars").
    void saveLayout();
    void restoreLayout();

    /// The help window (made on first use of "Help on Orvex").
    QDialog* helpWindow() const { return help_; }

    /// The one main window, or null.
    static MainWindow* instance();

signals:
    void commandsRefreshed();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildBars();
    void installShellHooks();
    ImageFrame* addFrame(int imageNumber);
    void hover(ImageView& view, std::optional<QPoint> pixel);
    void onImageEvent(int imageNumber, int code, long first);
    static void applicationListener(const ImageEvent& event);
    static void windowListener(const ImageEvent& event);
    void addFrontEndCommands();
    void showHelp();
    /// Greying, check marks and recent-file texts from the table as it is.
    void updateActions();
    /// From inside a long command's pump: updates the actions when the run's
    /// menu state has changed since the last look.
    void followRunState();

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
    bool ending_ = false;       // the application has ended: the close goes through
    size_t commandCount_ = 0;   // commands in the table when the menus were built
    QTimer* statusTimer_ = nullptr;  // gathers the refreshes that image changes ask for
    QWidget* paletteStrip_ = nullptr;
    std::unique_ptr<ImagePrinting> printing_;
    std::vector<std::string> ownCommands_;  // front-end commands this window put in the table
    std::map<int, ImageFrame*> frames_;  // by image number
    int histogramOf_ = 0;               // image number the histogram was counted for
    bool histogramStale_ = true;
    std::array<int, 6> runStateSeen_{-1, -1, -1, -1, -1, -1};  // what followRunState saw last
    int linesSinceCount_ = 0;
    QTimer* histogramTimer_ = nullptr;  // recounts once line writes pause
    QPointer<QDialog> help_;
};

}  // namespace orvex::gui
