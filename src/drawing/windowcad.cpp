#include "drawing/windowcad.h"

#include <QMessageBox>

#include <exception>

namespace gradix {

namespace {

constexpr const char* MESSAGE_TITLE = "Gradix";

}  // namespace

void WindowCadApplication::Visible(bool visible) {
    if (visible) {
        if (window_.wasClosed()) window_.reopen();
        window_.show();
    } else {
        window_.hide();
    }
}

DrawingWindowConnector::DrawingWindowConnector(DrawingDialogs* dialogs) : dialogs_(dialogs) {}

DrawingWindowConnector::~DrawingWindowConnector() = default;

CadApplication* DrawingWindowConnector::attach() {
    if (!window_ || window_->wasClosed()) return nullptr;
    return application_.get();
}

CadApplication& DrawingWindowConnector::start() {
    if (window_) {
        window_->reopen();
        return *application_;
    }
    try {
        window_ = std::make_unique<DrawingWindow>(nullptr, dialogs_);
    } catch (const std::exception& e) {
        throw CadError(std::string("无法打开绘图窗口：") + e.what());
    }
    window_->setReferenceAlignment(reference_);
    QObject::connect(window_.get(), &DrawingWindow::annotationPlaced, window_.get(), [this] {
        if (afterAnnotation) afterAnnotation();
    });
    application_ = std::make_unique<WindowCadApplication>(*window_);
    window_->show();
    return *application_;
}

void DrawingWindowConnector::activate(const std::string& caption) {
    if (!window_ || window_->caption().toStdString() != caption) return;
    window_->show();
    window_->raise();
    window_->activateWindow();
}

void DrawingWindowConnector::setReferenceAlignment(ReferenceAlignment alignment) {
    reference_ = std::move(alignment);
    if (window_) window_->setReferenceAlignment(reference_);
}

void QtCadMessenger::showCadMessage(const std::string& text) {
    QMessageBox::information(parent_, MESSAGE_TITLE, QString::fromStdString(text), QMessageBox::Ok);
}

}  // namespace gradix
