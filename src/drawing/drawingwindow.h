// Gradix's drawing window: a drawing view, a command line at the bottom that
// shows the prompt of a pick or a selection (a point may also be typed there
// as "x,y"), a coordinate read-out, and a File menu to open a DXF drawing
// (R12 to 2018), save it and save it as. It is the screen of its drawing's
// CAD document: GetPoint and SelectOnScreen wait here for the person.
//
// Before the first pick in a drawing that states a unit other than metres,
// the command line says that Gradix takes drawing units as metres.
//
// Keys: Esc cancels a pick or a selection; Enter or a right click ends a
// selection. Saving never overwrites the file the drawing was opened from
// without asking: for an opened drawing, Save asks for a new file first.
#pragma once

#include <QMainWindow>
#include <QPointer>
#include <QStringList>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cadmodel/drawingcad.h"
#include "drawing/drawingview.h"

class QAction;
class QDockWidget;
class QEventLoop;
class QLabel;
class QMenu;
class QTableWidget;
class QLineEdit;
class QPlainTextEdit;

namespace gradix {

// The window's questions to the person; the default asks with Qt dialogs,
// tests answer from a script.
class DrawingDialogs {
public:
    enum class Unsaved { Save, Discard, Cancel };
    virtual ~DrawingDialogs() = default;
    // A DXF file to open; "" when cancelled.
    virtual QString openPath(QWidget* parent) = 0;
    // A file to save to, suggesting suggested; "" when cancelled.
    virtual QString savePath(QWidget* parent, const QString& suggested) = 0;
    // Whether to save over path, the file the drawing was opened from.
    virtual bool confirmOverwriteOriginal(QWidget* parent, const QString& path) = 0;
    // What to do with unsaved changes of the drawing named name.
    virtual Unsaved askUnsaved(QWidget* parent, const QString& name) = 0;
    virtual void showError(QWidget* parent, const QString& text, const QString& detail) = 0;
    // What the reading of a drawing wants the person to know (a cut line ...).
    virtual void showNotes(QWidget* parent, const QStringList& notes) = 0;
};

// The dialogs as Qt shows them.
class QtDrawingDialogs : public DrawingDialogs {
public:
    QString openPath(QWidget* parent) override;
    QString savePath(QWidget* parent, const QString& suggested) override;
    bool confirmOverwriteOriginal(QWidget* parent, const QString& path) override;
    Unsaved askUnsaved(QWidget* parent, const QString& name) override;
    void showError(QWidget* parent, const QString& text, const QString& detail) override;
    void showNotes(QWidget* parent, const QStringList& notes) override;
};

// Captions and command-line texts of the window.
inline constexpr const char* DRAWING_WINDOW_TITLE = "Gradix 绘图";
inline constexpr const char* NEW_DRAWING_NAME = "新图形";
inline constexpr const char* SELECT_PROMPT = "选择对象:";
inline constexpr const char* COMMAND_PROMPT = "命令:";
inline constexpr const char* CANCELLED_MESSAGE = "*取消*";
inline constexpr const char* INVALID_POINT_MESSAGE = "需要点或坐标 x,y。";
inline constexpr const char* OPEN_FAILED_TEXT = "无法打开图形文件。";
inline constexpr const char* SAVE_FAILED_TEXT = "无法保存图形文件。";
inline constexpr const char* SNAP_ON_TEXT = "对象捕捉：开";
inline constexpr const char* SNAP_OFF_TEXT = "对象捕捉：关";
inline constexpr const char* NOTHING_TO_ERASE_TEXT = "只能删除 Gradix 添加的标注。";

// What the command line says before the first pick in a drawing whose
// $INSUNITS names a unit other than metres ("图形单位为毫米；Gradix 按米计算。"):
// Gradix takes a drawing unit as a metre. "" for metres and for unitless drawings.
QString drawingUnitsNote(int insertionUnits);

class DrawingWindow : public QMainWindow, public DrawingScreen {
    Q_OBJECT
public:
    // A window over drawing (a new, empty drawing when null). dialogs, when
    // given, must outlive the window; otherwise Qt dialogs are used.
    // Raises DataError when the new empty drawing cannot be made.
    explicit DrawingWindow(std::shared_ptr<Drawing> drawing = nullptr, DrawingDialogs* dialogs = nullptr,
                           QWidget* parent = nullptr);
    ~DrawingWindow() override;

    // The CAD document of the drawing shown. Another drawing (opened, or a
    // new one after the window was closed) gets a new document, and the old
    // one, with its drawing and file bytes, is released unless a command
    // holds it (commandDocument).
    DrawingDocument& document() { return *document_; }
    // The document for a command: it stays alive, even when another drawing
    // is opened meanwhile, until control returns to the event loop the
    // command runs from (the modal dialogs and picks on its way do not end
    // it), so that references the command keeps stay valid.
    DrawingDocument& commandDocument();
    Drawing& drawing() { return document_->drawing(); }
    DrawingView* view() const { return view_; }
    QLineEdit* commandLine() const { return commandLine_; }
    // The window title without the modified mark: the application's Caption.
    QString caption() const;
    // The command line's history, oldest first.
    QStringList history() const;

    // Reads the DXF file at path and shows it; false (after telling the
    // person) when it cannot be read or the person kept unsaved changes.
    bool openFile(const QString& path);
    // Starts over with a new, empty drawing (after asking about unsaved changes).
    bool newDrawing();
    // Saves: to the file last saved to; for an opened drawing not saved yet,
    // or a new one, as "save as". False when cancelled or failed.
    bool save();
    // Asks for a file and saves there; saving over the opened file asks first.
    bool saveAs();
    // Saves to path without asking; false (after telling the person) on failure.
    bool saveTo(const QString& path);

    void setReferenceAlignment(ReferenceAlignment alignment);
    // Whether a pick or a selection is waiting.
    bool isBusy() const { return waiting_ != nullptr; }
    // Whether the person closed the window (it is then hidden, its drawing ended).
    bool wasClosed() const { return closed_; }
    // Shows the window again after it was closed, with a new, empty drawing.
    void reopen();

    // DrawingScreen: wait in a local event loop for the person. A pick or a
    // selection while one is waiting raises CadError.
    std::optional<CadPoint> pickPoint(const std::string& prompt) override;
    std::optional<std::vector<std::size_t>> selectEntities() override;
    void drawingChanged() override;
    void writeLine(const std::string& message) override;

    // Edits (编辑 menu): undo and redo the annotations' steps, erase the
    // Gradix annotations selected (outside a command). False when there was
    // nothing to do or a command is waiting.
    bool undo();
    bool redo();
    bool eraseSelected();
    // Shows rows (stake label, stake, elevation, grade, note) under header
    // in the stake list beside the drawing; 复制 copies it tab-separated.
    void showStakeList(const QStringList& header, const QList<QStringList>& rows);
    QTableWidget* stakeList() const { return stakeTable_; }
    // Empties the stake list and hides it (a new or another drawing does).
    void clearStakeList();
    // The stake list as text: the header and each row, fields tab-separated.
    QString stakeListText() const;
    QLabel* snapStatus() const { return snapStatus_; }

signals:
    void waitingChanged(bool waiting);
    // A command ended having placed an annotation.
    void annotationPlaced();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    friend class DocumentHold;
    void buildTools(QMenu* viewMenu);
    void updateEditActions();
    void commandEnded(const std::shared_ptr<DrawingDocument>& document);
    void setDrawing(std::shared_ptr<Drawing> drawing, const QString& openedPath);
    void updateTitle();
    void updateActions();
    void say(const QString& line);
    void setPrompt(const QString& prompt);
    // The one nested wait of the window: shows it to the front, puts the
    // view in mode with prompt and runs a local event loop until the pick or
    // the selection ends it (finishWaiting, cancelWaiting). Raises CadError
    // while another wait is running. endWaiting then gives the view and the
    // command line back. False when the window went meanwhile (nothing of
    // it may be touched then).
    bool waitForPerson(DrawingView::Mode mode, const QString& prompt);
    void endWaiting();
    void finishWaiting();
    void cancelWaiting();
    void submitCommandLine();
    bool settleUnsaved();
    QString displayName() const;

    std::unique_ptr<DrawingDialogs> ownDialogs_;
    DrawingDialogs* dialogs_;
    std::shared_ptr<DrawingDocument> document_;
    DrawingView* view_ = nullptr;
    QPlainTextEdit* history_ = nullptr;
    QLabel* prompt_ = nullptr;
    QLineEdit* commandLine_ = nullptr;
    QLabel* coordinates_ = nullptr;
    QAction* openAction_ = nullptr;
    QAction* saveAction_ = nullptr;
    QAction* saveAsAction_ = nullptr;
    QAction* undoAction_ = nullptr;
    QAction* redoAction_ = nullptr;
    QAction* eraseAction_ = nullptr;
    QLabel* snapStatus_ = nullptr;
    QDockWidget* stakeDock_ = nullptr;
    QTableWidget* stakeTable_ = nullptr;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);  // false once the window is being destroyed
    ReferenceAlignment reference_;
    QString openedPath_;  // the engineer's file the drawing came from ("" for a new drawing)
    QString savedPath_;   // where Save writes without asking ("" until saved or agreed)
    bool closed_ = false;
    bool unitsNoted_ = false;  // the drawing's units were told before its first pick

    // The pick or selection waiting, and what it got.
    QEventLoop* waiting_ = nullptr;
    DrawingView::Mode waitingMode_ = DrawingView::Mode::Idle;
    std::optional<CadPoint> pickedPoint_;
    bool selectionAccepted_ = false;
};

}  // namespace gradix
