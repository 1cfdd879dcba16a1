// The one error trap of the initialisation and compute commands.
#pragma once

#include <exception>
#include <new>

#include "commands/userinterface.h"
#include "text/failures.h"

namespace gradix {

// Runs body; a failure of either kind shows the error box titled "错误" with
// its fixed text and detail, and the trap answers false. Any other exception
// (out of memory included) is a data failure too: the command must end in
// the box, never crash the window.
template <class Body>
bool runTrapped(UserInterface& ui, Body&& body) {
    try {
        return body();
    } catch (const GradixError& e) {
        ui.showError(ERROR_TITLE, e.what(), e.detail());
    } catch (const std::bad_alloc&) {
        ui.showError(ERROR_TITLE, FORMAT_TEXT, "not enough memory for the data");
    } catch (const std::exception& e) {
        ui.showError(ERROR_TITLE, FORMAT_TEXT, e.what());
    }
    return false;
}

}  // namespace gradix
