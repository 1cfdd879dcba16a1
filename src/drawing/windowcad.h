// The CAD link over Gradix's drawing window: the application is the window,
// its active document the drawing shown. ConnectCad(connector, messenger)
// attaches to the open window or opens one with a new, empty drawing.
//
//     DrawingWindowConnector connector;            // one for the program's life
//     QtCadMessenger messenger(mainWindow);
//     connector.setReferenceAlignment(reference);  // after each initialisation
//     if (CadApplication* app = ConnectCad(connector, messenger)) { ... }
#pragma once

#include <QPointer>
#include <QString>

#include <functional>
#include <memory>

#include "cad/cad.h"
#include "drawing/drawingwindow.h"
#include "cadmodel/referencealignment.h"

class QWidget;

namespace gradix {

// The application: the drawing window.
class WindowCadApplication : public CadApplication {
public:
    explicit WindowCadApplication(DrawingWindow& window) : window_(window) {}
    std::string Caption() const override { return window_.caption().toStdString(); }
    void Visible(bool visible) override;
    bool Visible() const override { return window_.isVisible(); }
    // The window's document, held for the command that asks (DrawingWindow::commandDocument).
    CadDocument& ActiveDocument() override { return window_.commandDocument(); }
    DrawingWindow& window() { return window_; }

private:
    DrawingWindow& window_;
};

// Finds or opens the one drawing window of the program. The window lives as
// long as the connector (closing it only hides it and ends its drawing).
class DrawingWindowConnector : public CadConnector {
public:
    // dialogs, when given, must outlive the connector (tests script them).
    explicit DrawingWindowConnector(DrawingDialogs* dialogs = nullptr);
    ~DrawingWindowConnector() override;
    DrawingWindowConnector(const DrawingWindowConnector&) = delete;
    DrawingWindowConnector& operator=(const DrawingWindowConnector&) = delete;

    // The open window's application; nullptr when there is none or it was closed.
    CadApplication* attach() override;
    // Opens the window with a new, empty drawing (again, after it was
    // closed). Raises CadError when the window cannot be made.
    CadApplication& start() override;
    // Brings the window to the front when its caption is caption.
    void activate(const std::string& caption) override;

    // The alignment shown as the reference line, in this window and any opened later.
    void setReferenceAlignment(ReferenceAlignment alignment);
    // The window, or nullptr before the first start.
    DrawingWindow* window() const { return window_.get(); }
    // Runs after a command placed an annotation in the window (the main
    // window comes back to the front).
    std::function<void()> afterAnnotation;

private:
    DrawingDialogs* dialogs_;
    std::unique_ptr<DrawingWindow> window_;
    std::unique_ptr<WindowCadApplication> application_;
    ReferenceAlignment reference_;
};

// The failure of the link in a message box with an OK button, titled "Gradix".
class QtCadMessenger : public CadMessenger {
public:
    explicit QtCadMessenger(QWidget* parent = nullptr) : parent_(parent) {}
    void showCadMessage(const std::string& text) override;

private:
    QPointer<QWidget> parent_;
};

}  // namespace gradix
