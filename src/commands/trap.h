// The one error trap of the commands: every exception becomes an outcome.
#pragma once

#include <exception>
#include <new>
#include <stdexcept>
#include <string>

#include "cad/cad.h"
#include "commands/outcome.h"
#include "text/failures.h"
#include "text/messages.h"

namespace gradix {

// Runs body, which answers an Outcome, and turns what it raises into one:
// either failure kind gives its fixed text and detail; a CadError a failure
// of the drawing with its description; a std::logic_error, which no data can
// cause, an internal error with its description; any other exception (out
// of memory included) a data failure, so that a command ends in a box and
// never takes the window down.
template <class Body>
Outcome runTrapped(Body&& body) {
    try {
        return body();
    } catch (const GradixError& e) {
        return Outcome::failed(e);
    } catch (const CadError& e) {
        return Outcome::drawingFailed(e.what());
    } catch (const std::bad_alloc&) {
        return Outcome::failed(DataError(msg::OUT_OF_MEMORY));
    } catch (const std::logic_error& e) {
        return Outcome::internalError(msg::internalError(e.what()));
    } catch (const std::exception& e) {
        return Outcome::failed(DataError(e.what()));
    }
}

}  // namespace gradix
