// The drawing window's tools: the 编辑 menu (undo, redo, erase), the
// toolbar and 视图 entries for zooming and the reference line, object snap
// (F3) with its state in the status bar, and the stake list of a selection
// of several stake labels.
#include <QAction>
#include <QClipboard>
#include <QDockWidget>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTableWidget>
#include <QToolBar>
#include <QVBoxLayout>

#include "drawing/drawingwindow.h"

namespace gradix {

namespace {

constexpr double ZOOM_STEP = 1.5;  // one click of 放大 or 缩小

}  // namespace

void DrawingWindow::buildTools(QMenu* viewMenu) {
    QMenu* edit = menuBar()->addMenu("编辑(&E)");
    undoAction_ = edit->addAction("撤销(&U)", this, [this] { undo(); });
    undoAction_->setObjectName("actionUndo");
    undoAction_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    redoAction_ = edit->addAction("重做(&R)", this, [this] { redo(); });
    redoAction_->setObjectName("actionRedo");
    redoAction_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Y));
    edit->addSeparator();
    eraseAction_ = edit->addAction("删除(&D)", this, [this] { eraseSelected(); });
    eraseAction_->setObjectName("actionErase");
    eraseAction_->setShortcut(QKeySequence::Delete);

    QToolBar* tools = addToolBar("视图");
    tools->setObjectName("viewToolBar");
    QAction* zoomWindow = new QAction("窗口缩放", this);
    zoomWindow->setObjectName("actionZoomWindow");
    zoomWindow->setCheckable(true);
    zoomWindow->setToolTip("拖出一个矩形放大到它（也可按住 Shift 拖动）");
    connect(zoomWindow, &QAction::toggled, view_, &DrawingView::armZoomWindow);
    connect(view_, &DrawingView::zoomWindowEnded, zoomWindow, [zoomWindow] { zoomWindow->setChecked(false); });
    QAction* zoomIn = new QAction("放大", this);
    zoomIn->setObjectName("actionZoomIn");
    zoomIn->setShortcut(QKeySequence::ZoomIn);
    connect(zoomIn, &QAction::triggered, view_, [this] { view_->zoomBy(ZOOM_STEP); });
    QAction* zoomOut = new QAction("缩小", this);
    zoomOut->setObjectName("actionZoomOut");
    zoomOut->setShortcut(QKeySequence::ZoomOut);
    connect(zoomOut, &QAction::triggered, view_, [this] { view_->zoomBy(1 / ZOOM_STEP); });
    QAction* reference = new QAction("参考线", this);
    reference->setObjectName("actionReferenceLine");
    reference->setCheckable(true);
    reference->setChecked(true);
    reference->setToolTip("显示或隐藏设计线的参考线和桩号");
    connect(reference, &QAction::toggled, view_, &DrawingView::setReferenceShown);
    QAction* snap = new QAction("对象捕捉", this);
    snap->setObjectName("actionSnap");
    snap->setCheckable(true);
    snap->setChecked(view_->snapEnabled());
    snap->setShortcut(Qt::Key_F3);
    snap->setShortcutContext(Qt::WindowShortcut);
    snapStatus_ = new QLabel(SNAP_ON_TEXT, this);
    snapStatus_->setObjectName("snapStatus");
    statusBar()->addWidget(snapStatus_);
    connect(snap, &QAction::toggled, this, [this](bool on) {
        view_->setSnapEnabled(on);
        snapStatus_->setText(on ? SNAP_ON_TEXT : SNAP_OFF_TEXT);
        say(QString("<%1>").arg(on ? SNAP_ON_TEXT : SNAP_OFF_TEXT));
    });
    for (QAction* a : {zoomWindow, zoomIn, zoomOut}) tools->addAction(a);
    tools->addSeparator();
    tools->addAction(reference);
    tools->addAction(snap);
    viewMenu->addSeparator();
    for (QAction* a : {zoomWindow, zoomIn, zoomOut}) viewMenu->addAction(a);
    viewMenu->addSeparator();
    viewMenu->addAction(reference);
    viewMenu->addAction(snap);

    stakeDock_ = new QDockWidget("桩号列表", this);
    stakeDock_->setObjectName("stakeListDock");
    auto* panel = new QWidget(stakeDock_);
    auto* layout = new QVBoxLayout(panel);
    layout->setContentsMargins(2, 2, 2, 2);
    stakeTable_ = new QTableWidget(panel);
    stakeTable_->setObjectName("stakeList");
    stakeTable_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    stakeTable_->verticalHeader()->hide();
    auto* copy = new QPushButton("复制", panel);
    copy->setObjectName("copyStakeList");
    connect(copy, &QPushButton::clicked, this,
            [this] { QGuiApplication::clipboard()->setText(stakeListText()); });
    layout->addWidget(stakeTable_, 1);
    layout->addWidget(copy);
    stakeDock_->setWidget(panel);
    addDockWidget(Qt::RightDockWidgetArea, stakeDock_);
    stakeDock_->hide();
}

void DrawingWindow::updateEditActions() {
    if (!undoAction_) return;
    const bool idle = !isBusy();
    undoAction_->setEnabled(idle && document_ && document_->history().canUndo());
    redoAction_->setEnabled(idle && document_ && document_->history().canRedo());
    eraseAction_->setEnabled(idle && !view_->selection().empty());
}

bool DrawingWindow::undo() {
    if (isBusy() || !document_->undo()) return false;
    view_->reload();
    say("撤销");
    updateTitle();
    updateEditActions();
    return true;
}

bool DrawingWindow::redo() {
    if (isBusy() || !document_->redo()) return false;
    view_->reload();
    say("重做");
    updateTitle();
    updateEditActions();
    return true;
}

bool DrawingWindow::eraseSelected() {
    if (isBusy() || view_->selection().empty()) return false;
    const std::size_t erased = document_->erase(view_->selection());
    view_->clearSelection();
    view_->reload();
    if (erased == 0) {
        say(NOTHING_TO_ERASE_TEXT);
    } else {
        say(QString("已删除 %1 个标注。").arg(erased));
    }
    updateTitle();
    updateEditActions();
    return erased > 0;
}

void DrawingWindow::showStakeList(const QStringList& header, const QList<QStringList>& rows) {
    stakeTable_->clear();
    stakeTable_->setColumnCount(static_cast<int>(header.size()));
    stakeTable_->setHorizontalHeaderLabels(header);
    stakeTable_->setRowCount(static_cast<int>(rows.size()));
    for (int r = 0; r < rows.size(); ++r)
        for (int c = 0; c < rows[r].size() && c < header.size(); ++c)
            stakeTable_->setItem(r, c, new QTableWidgetItem(rows[r][c]));
    stakeTable_->resizeColumnsToContents();
    stakeDock_->show();
    say(QString("选中 %1 个桩号标注，已列在桩号列表中。").arg(rows.size()));
}

void DrawingWindow::clearStakeList() {
    if (!stakeTable_) return;
    stakeTable_->clear();
    stakeTable_->setRowCount(0);
    stakeTable_->setColumnCount(0);
    stakeDock_->hide();
}

QString DrawingWindow::stakeListText() const {
    QStringList lines;
    QStringList header;
    for (int c = 0; c < stakeTable_->columnCount(); ++c)
        header << (stakeTable_->horizontalHeaderItem(c) ? stakeTable_->horizontalHeaderItem(c)->text() : QString());
    lines << header.join('\t');
    for (int r = 0; r < stakeTable_->rowCount(); ++r) {
        QStringList fields;
        for (int c = 0; c < stakeTable_->columnCount(); ++c)
            fields << (stakeTable_->item(r, c) ? stakeTable_->item(r, c)->text() : QString());
        lines << fields.join('\t');
    }
    return lines.join('\n') + '\n';
}

}  // namespace gradix
