#include "drawing/drawingwindow.h"

#include <QAction>
#include <QCloseEvent>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QStatusBar>
#include <QVBoxLayout>

#include <charconv>
#include <cmath>
#include <iterator>

#include "drawing/labelauditpanel.h"
#include "dxf/dxfreader.h"
#include "dxf/dxfwriter.h"
#include "text/failures.h"

namespace gradix {

namespace {

constexpr int HISTORY_LINES = 3;
constexpr int HISTORY_KEPT = 200;
constexpr int COORDINATE_DECIMALS = 4;
constexpr int DEFAULT_WIDTH = 1000;
constexpr int DEFAULT_HEIGHT = 720;
constexpr const char* DXF_SUFFIX = ".dxf";
constexpr const char* SAVED_COPY_SUFFIX = "-gradix";
constexpr const char* BUSY_TEXT = "绘图窗口正在等待另一次点取或选择。";

std::string localPath(const QString& path) { return QFile::encodeName(path).toStdString(); }

bool sameFile(const QString& a, const QString& b) {
    if (a.isEmpty() || b.isEmpty()) return false;
    const QFileInfo fa(a);
    const QFileInfo fb(b);
    if (fa.exists() && fb.exists()) return fa.canonicalFilePath() == fb.canonicalFilePath();
    return QDir::cleanPath(fa.absoluteFilePath()) == QDir::cleanPath(fb.absoluteFilePath());
}

// A point typed as "x,y" or "x,y,z"; nothing when it is not one.
std::optional<CadPoint> parseTypedPoint(const QString& text) {
    const QStringList parts = text.split(',');
    if (parts.size() < 2 || parts.size() > 3) return std::nullopt;
    CadPoint p{0, 0, 0};
    for (qsizetype i = 0; i < parts.size(); ++i) {
        const std::string s = parts[i].trimmed().toStdString();
        if (s.empty()) return std::nullopt;
        const char* first = s.data() + (s[0] == '+' ? 1 : 0);
        double v = 0;
        const auto [end, ec] = std::from_chars(first, s.data() + s.size(), v);
        if (ec != std::errc{} || end != s.data() + s.size() || !std::isfinite(v)) return std::nullopt;
        p[static_cast<std::size_t>(i)] = v;
    }
    return p;
}

// $INSUNITS codes and their units; 0 is unitless, 6 metres.
constexpr int INSUNITS_UNITLESS = 0;
constexpr int INSUNITS_METRES = 6;
constexpr const char* UNIT_NAMES[] = {
    "",         "英寸",     "英尺",     "英里",     "毫米",         "厘米",         "米",           "千米",
    "微英寸",   "密耳",     "码",       "埃",       "纳米",         "微米",         "分米",         "十米",
    "百米",     "吉米",     "天文单位", "光年",     "秒差距",       "美国测量英尺", "美国测量英寸", "美国测量码",
    "美国测量英里"};


}  // namespace

// Lives while a command may still hold a document (DrawingWindow::commandDocument);
// its end is the command's end, which keeps or takes back the command's edit.
class DocumentHold : public QObject {
public:
    DocumentHold(std::shared_ptr<DrawingDocument> document, DrawingWindow* window)
        : QObject(window), document_(std::move(document)), window_(window), alive_(window->alive_) {}
    ~DocumentHold() override {
        if (!*alive_) return;
        // A command started outside any event loop may see its holds go in
        // the loop of its own pick: it has not ended while a pick waits.
        if (window_->isBusy()) {
            (new DocumentHold(document_, window_))->deleteLater();
            return;
        }
        window_->commandEnded(document_);
    }

private:
    std::shared_ptr<DrawingDocument> document_;
    DrawingWindow* window_;
    std::shared_ptr<bool> alive_;
};

namespace {

QString pointText(double x, double y) {
    return QString("%1, %2").arg(x, 0, 'f', COORDINATE_DECIMALS).arg(y, 0, 'f', COORDINATE_DECIMALS);
}

}  // namespace

QString drawingUnitsNote(int insertionUnits) {
    if (insertionUnits == INSUNITS_UNITLESS || insertionUnits == INSUNITS_METRES) return {};
    constexpr int known = static_cast<int>(std::size(UNIT_NAMES));
    if (insertionUnits < 0 || insertionUnits >= known)
        return QString("图形单位代码 %1 未知；Gradix 按米计算。").arg(insertionUnits);
    return QString("图形单位为%1；Gradix 按米计算。").arg(UNIT_NAMES[insertionUnits]);
}

QString QtDrawingDialogs::openPath(QWidget* parent) {
    return QFileDialog::getOpenFileName(parent, "打开图形", QString(), "DXF 图形 (*.dxf *.DXF);;所有文件 (*)");
}

QString QtDrawingDialogs::savePath(QWidget* parent, const QString& suggested) {
    return QFileDialog::getSaveFileName(parent, "图形另存为", suggested, "DXF 图形 (*.dxf *.DXF)");
}

bool QtDrawingDialogs::confirmOverwriteOriginal(QWidget* parent, const QString& path) {
    return QMessageBox::question(parent, DRAWING_WINDOW_TITLE,
                                 QString("“%1”是打开的原图。\n要用加了标注的图形覆盖原图吗？")
                                     .arg(QFileInfo(path).fileName()),
                                 QMessageBox::Yes | QMessageBox::No, QMessageBox::No) == QMessageBox::Yes;
}

DrawingDialogs::Unsaved QtDrawingDialogs::askUnsaved(QWidget* parent, const QString& name) {
    const auto answer = QMessageBox::question(parent, DRAWING_WINDOW_TITLE,
                                              QString("图形“%1”有未保存的修改。要保存吗？").arg(name),
                                              QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel,
                                              QMessageBox::Save);
    if (answer == QMessageBox::Save) return Unsaved::Save;
    if (answer == QMessageBox::Discard) return Unsaved::Discard;
    return Unsaved::Cancel;
}

void QtDrawingDialogs::showError(QWidget* parent, const QString& text, const QString& detail) {
    QMessageBox box(QMessageBox::Critical, DRAWING_WINDOW_TITLE, text, QMessageBox::Ok, parent);
    box.setDetailedText(detail);
    box.exec();
}

void QtDrawingDialogs::showNotes(QWidget* parent, const QStringList& notes) {
    QMessageBox::information(parent, DRAWING_WINDOW_TITLE, notes.join('\n'));
}

DrawingWindow::DrawingWindow(std::shared_ptr<Drawing> drawing, DrawingDialogs* dialogs, QWidget* parent)
    : QMainWindow(parent) {
    if (!dialogs) {
        ownDialogs_ = std::make_unique<QtDrawingDialogs>();
        dialogs = ownDialogs_.get();
    }
    dialogs_ = dialogs;
    setObjectName("drawingWindow");
    resize(DEFAULT_WIDTH, DEFAULT_HEIGHT);

    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    view_ = new DrawingView(central);
    layout->addWidget(view_, 1);
    history_ = new QPlainTextEdit(central);
    history_->setObjectName("commandHistory");
    history_->setReadOnly(true);
    history_->setFocusPolicy(Qt::NoFocus);
    history_->setMaximumBlockCount(HISTORY_KEPT);
    history_->setFixedHeight(history_->fontMetrics().lineSpacing() * HISTORY_LINES +
                             2 * history_->frameWidth() + history_->document()->documentMargin() * 2);
    layout->addWidget(history_);
    auto* row = new QHBoxLayout();
    row->setContentsMargins(4, 2, 4, 2);
    prompt_ = new QLabel(COMMAND_PROMPT, central);
    prompt_->setObjectName("commandPrompt");
    commandLine_ = new QLineEdit(central);
    commandLine_->setObjectName("commandLine");
    commandLine_->installEventFilter(this);
    row->addWidget(prompt_);
    row->addWidget(commandLine_, 1);
    layout->addLayout(row);
    setCentralWidget(central);

    coordinates_ = new QLabel(this);
    coordinates_->setObjectName("coordinates");
    coordinates_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    statusBar()->addPermanentWidget(coordinates_);

    QMenu* file = menuBar()->addMenu("文件(&F)");
    openAction_ = file->addAction("打开(&O)...", this, [this] {
        const QString path = dialogs_->openPath(this);
        if (!path.isEmpty()) openFile(path);
    });
    openAction_->setObjectName("actionOpen");
    openAction_->setShortcut(QKeySequence::Open);
    saveAction_ = file->addAction("保存(&S)", this, [this] { save(); });
    saveAction_->setObjectName("actionSave");
    saveAction_->setShortcut(QKeySequence::Save);
    saveAsAction_ = file->addAction("另存为(&A)...", this, [this] { saveAs(); });
    saveAsAction_->setObjectName("actionSaveAs");
    saveAsAction_->setShortcut(QKeySequence::SaveAs);
    file->addSeparator();
    file->addAction("关闭(&C)", this, [this] { close(); });
    QMenu* viewMenu = menuBar()->addMenu("视图(&V)");
    QAction* extents = viewMenu->addAction("缩放到范围(&E)", view_, [this] { view_->zoomExtents(); });
    extents->setObjectName("actionZoomExtents");
    buildTools(viewMenu);
    addLabelAuditCommand(this);

    connect(view_, &DrawingView::pointPicked, this, [this](QPointF p) {
        if (waitingMode_ != DrawingView::Mode::PickPoint) return;
        pickedPoint_ = CadPoint{p.x(), p.y(), 0};
        say(prompt_->text() + " " + pointText(p.x(), p.y()));
        finishWaiting();
    });
    connect(view_, &DrawingView::selectionChanged, this, [this] {
        updateEditActions();
        if (waitingMode_ != DrawingView::Mode::Select) return;
        say(QString("%1 找到 %2 个").arg(SELECT_PROMPT).arg(view_->selection().size()));
    });
    connect(view_, &DrawingView::selectionEnded, this, [this] {
        if (waitingMode_ != DrawingView::Mode::Select) return;
        selectionAccepted_ = true;
        finishWaiting();
    });
    connect(view_, &DrawingView::cancelled, this, [this] { cancelWaiting(); });
    connect(view_, &DrawingView::enterPressed, this, [this] { submitCommandLine(); });
    connect(view_, &DrawingView::textTyped, this, [this](const QString& text) {
        commandLine_->setFocus(Qt::OtherFocusReason);
        commandLine_->insert(text);
    });
    connect(view_, &DrawingView::cursorMoved, this,
            [this](QPointF p) { coordinates_->setText(pointText(p.x(), p.y())); });
    connect(commandLine_, &QLineEdit::returnPressed, this, [this] { submitCommandLine(); });

    const QString openedPath =
        drawing && !drawing->fromTemplate ? QString::fromLocal8Bit(drawing->path.c_str()) : QString();
    setDrawing(drawing ? std::move(drawing) : std::make_shared<Drawing>(gradix::newDrawing()), openedPath);
    view_->setFocus();
}

DrawingWindow::~DrawingWindow() {
    *alive_ = false;
    if (waiting_) waiting_->quit();
}

QString DrawingWindow::displayName() const {
    const std::string& path = document_->drawing().path;
    return path.empty() ? QString(NEW_DRAWING_NAME) : QFileInfo(QFile::decodeName(path.c_str())).fileName();
}

QString DrawingWindow::caption() const {
    QString title = windowTitle();
    title.remove("[*]");
    return title;
}

QStringList DrawingWindow::history() const {
    return history_->toPlainText().split('\n', Qt::SkipEmptyParts);
}

void DrawingWindow::say(const QString& line) { history_->appendPlainText(line); }

void DrawingWindow::setPrompt(const QString& prompt) { prompt_->setText(prompt); }

void DrawingWindow::updateTitle() {
    setWindowTitle(displayName() + "[*] - " + DRAWING_WINDOW_TITLE);
    setWindowModified(document_->isModified());
}

void DrawingWindow::updateActions() {
    const bool idle = !isBusy();
    openAction_->setEnabled(idle);
    saveAction_->setEnabled(idle);
    saveAsAction_->setEnabled(idle);
    updateEditActions();
}

void DrawingWindow::setDrawing(std::shared_ptr<Drawing> drawing, const QString& openedPath) {
    // The old document goes now, unless a command still holds it.
    document_ = std::make_shared<DrawingDocument>(drawing, *this);
    unitsNoted_ = false;
    clearStakeList();  // its rows were labels of the drawing before
    view_->setDrawing(drawing);
    view_->setReferenceAlignment(reference_);
    updateEditActions();
    if (drawing->entities.empty() && !reference_.empty()) view_->zoomExtents();
    openedPath_ = openedPath;
    savedPath_.clear();
    updateTitle();
    QStringList notes;
    for (const std::string& note : drawing->notes) notes << QString::fromStdString(note);
    for (const QString& note : notes) say("注意: " + note);
    if (!notes.isEmpty()) dialogs_->showNotes(this, notes);
}

DrawingDocument& DrawingWindow::commandDocument() {
    // A deferred deletion runs only once control is back in the event loop
    // that was running when it was asked for, never in a nested one.
    (new DocumentHold(document_, this))->deleteLater();
    updateEditActions();
    return *document_;
}

void DrawingWindow::setReferenceAlignment(ReferenceAlignment alignment) {
    reference_ = std::move(alignment);
    view_->setReferenceAlignment(reference_);
    if (document_->drawing().entities.empty()) view_->zoomExtents();
}

bool DrawingWindow::settleUnsaved() {
    if (!document_->isModified()) return true;
    switch (dialogs_->askUnsaved(this, displayName())) {
        case DrawingDialogs::Unsaved::Save: return save();
        case DrawingDialogs::Unsaved::Discard: return true;
        case DrawingDialogs::Unsaved::Cancel: return false;
    }
    return false;
}

bool DrawingWindow::openFile(const QString& path) {
    if (isBusy() || !settleUnsaved()) return false;
    std::shared_ptr<Drawing> drawing;
    try {
        drawing = std::make_shared<Drawing>(readDrawing(localPath(path)));
    } catch (const GradixError& e) {
        dialogs_->showError(this, OPEN_FAILED_TEXT, QString::fromStdString(e.detail()));
        return false;
    } catch (const std::exception& e) {
        dialogs_->showError(this, OPEN_FAILED_TEXT, QString::fromStdString(e.what()));
        return false;
    }
    setDrawing(drawing, path);
    say("已打开 " + path);
    return true;
}

bool DrawingWindow::newDrawing() {
    if (isBusy() || !settleUnsaved()) return false;
    setDrawing(std::make_shared<Drawing>(gradix::newDrawing()), QString());
    return true;
}

bool DrawingWindow::save() {
    if (savedPath_.isEmpty()) return saveAs();
    return saveTo(savedPath_);
}

bool DrawingWindow::saveAs() {
    if (isBusy()) return false;
    QString suggested;
    if (!openedPath_.isEmpty()) {
        const QFileInfo info(openedPath_);
        suggested = info.dir().filePath(info.completeBaseName() + SAVED_COPY_SUFFIX + DXF_SUFFIX);
    } else {
        suggested = QDir::home().filePath(QString(NEW_DRAWING_NAME) + DXF_SUFFIX);
    }
    QString path = dialogs_->savePath(this, suggested);
    if (path.isEmpty()) return false;
    if (!path.endsWith(DXF_SUFFIX, Qt::CaseInsensitive)) path += DXF_SUFFIX;
    if (sameFile(path, openedPath_) && !dialogs_->confirmOverwriteOriginal(this, path)) return false;
    if (!saveTo(path)) return false;
    savedPath_ = path;
    return true;
}

bool DrawingWindow::saveTo(const QString& path) {
    try {
        document_->history().end(document_->drawing());
        saveDrawing(document_->drawing(), localPath(path));
        document_->markSaved();
    } catch (const GradixError& e) {
        dialogs_->showError(this, SAVE_FAILED_TEXT, QString::fromStdString(e.detail()));
        return false;
    } catch (const std::exception& e) {
        dialogs_->showError(this, SAVE_FAILED_TEXT, QString::fromStdString(e.what()));
        return false;
    }
    say("已保存 " + path);
    updateTitle();
    return true;
}

void DrawingWindow::reopen() {
    if (closed_) {
        closed_ = false;
        setDrawing(std::make_shared<Drawing>(gradix::newDrawing()), QString());
    }
    show();
}

bool DrawingWindow::waitForPerson(DrawingView::Mode mode, const QString& prompt) {
    if (waiting_) throw CadError(BUSY_TEXT);
    const std::shared_ptr<bool> alive = alive_;
    show();
    raise();
    activateWindow();
    view_->setFocus(Qt::OtherFocusReason);
    waitingMode_ = mode;
    setPrompt(prompt);
    view_->setMode(mode);
    QEventLoop loop;
    waiting_ = &loop;
    updateActions();
    emit waitingChanged(true);
    loop.exec();
    // The window may be gone: its end also ends the loop.
    if (!*alive) return false;
    waiting_ = nullptr;
    waitingMode_ = DrawingView::Mode::Idle;
    return true;
}

void DrawingWindow::endWaiting() {
    view_->setMode(DrawingView::Mode::Idle);
    setPrompt(COMMAND_PROMPT);
    updateActions();
    emit waitingChanged(false);
}

std::optional<CadPoint> DrawingWindow::pickPoint(const std::string& prompt) {
    if (closed_) return std::nullopt;
    if (waiting_) throw CadError(BUSY_TEXT);
    if (!unitsNoted_) {
        unitsNoted_ = true;
        const QString note = drawingUnitsNote(document_->drawing().insertionUnits);
        if (!note.isEmpty()) say(note);
    }
    pickedPoint_.reset();
    if (!waitForPerson(DrawingView::Mode::PickPoint, QString::fromStdString(prompt))) return std::nullopt;
    const std::optional<CadPoint> picked = pickedPoint_;
    endWaiting();
    return picked;
}

std::optional<std::vector<std::size_t>> DrawingWindow::selectEntities() {
    if (closed_) return std::nullopt;
    if (waiting_) throw CadError(BUSY_TEXT);
    selectionAccepted_ = false;
    view_->clearSelection();
    if (!waitForPerson(DrawingView::Mode::Select, SELECT_PROMPT)) return std::nullopt;
    std::optional<std::vector<std::size_t>> chosen;
    if (selectionAccepted_) chosen = view_->selection();
    view_->clearSelection();
    endWaiting();
    return chosen;
}

void DrawingWindow::drawingChanged() {
    view_->drawingChanged();
    updateTitle();
    updateEditActions();
}

void DrawingWindow::writeLine(const std::string& message) { say(QString::fromStdString(message)); }

void DrawingWindow::commandEnded(const std::shared_ptr<DrawingDocument>& document) {
    const bool placed = document->endCommand();
    if (document != document_) return;
    updateTitle();
    updateEditActions();
    if (placed) emit annotationPlaced();
}

void DrawingWindow::finishWaiting() {
    if (waiting_) waiting_->quit();
}

void DrawingWindow::cancelWaiting() {
    commandLine_->clear();
    if (!waiting_) return;
    pickedPoint_.reset();
    selectionAccepted_ = false;
    say(CANCELLED_MESSAGE);
    waiting_->quit();
}

void DrawingWindow::submitCommandLine() {
    const QString text = commandLine_->text().trimmed();
    commandLine_->clear();
    if (waitingMode_ == DrawingView::Mode::Select) {
        selectionAccepted_ = true;
        finishWaiting();
        return;
    }
    if (waitingMode_ != DrawingView::Mode::PickPoint || text.isEmpty()) return;
    const std::optional<CadPoint> p = parseTypedPoint(text);
    if (!p) {
        say(prompt_->text() + " " + text);
        say(INVALID_POINT_MESSAGE);
        return;
    }
    pickedPoint_ = p;
    say(prompt_->text() + " " + text);
    finishWaiting();
}

bool DrawingWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == commandLine_ && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        cancelWaiting();
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

void DrawingWindow::closeEvent(QCloseEvent* event) {
    cancelWaiting();
    if (!settleUnsaved()) {
        event->ignore();
        return;
    }
    closed_ = true;
    event->accept();  // hidden, not deleted: the connector opens it again when asked
}

}  // namespace gradix
