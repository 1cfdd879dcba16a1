#include "cad/cad.h"

#include <exception>

namespace gradix {

CadApplication* ConnectCad(CadConnector& connector, CadMessenger& messenger) {
    CadApplication* app = nullptr;
    try {
        app = connector.attach();
    } catch (const std::exception&) {
        app = nullptr;  // as with no program running: start one instead
    }
    try {
        if (!app) app = &connector.start();
        app->Visible(true);
        CadDocument& document = app->ActiveDocument();
        document.ModelSpace();
        document.Utility();
        connector.activate(app->Caption());
        return app;
    } catch (const std::exception& e) {
        const std::string description = e.what();
        messenger.showCadMessage(description.empty() ? CAD_LINK_FAILED_TEXT : description);
    }
    return nullptr;
}

}  // namespace gradix
