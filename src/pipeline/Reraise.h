// Raising an error again under the name of the routine in which it arose.
#pragma once

#include "platform/Errors.h"
#include "platform/Halt.h"

#include <exception>
#include <string>

namespace nimbrel {

// Runs `body`; an error it raises comes out as an Exception whose message is CR LF, the error's
// message, CR LF and the routine's name; a thrown object without a message gives
// "General Exception" in its place. The end of the program passes through untouched.
template <class Body> auto CallNamingErrors(const char* routine, Body&& body) -> decltype(body()) {
    try {
        return body();
    } catch (const HaltRequested&) {
        throw;
    } catch (const std::exception& e) {
        throw Exception("\r\n" + std::string(e.what()) + "\r\n" + routine);
    } catch (...) {
        throw Exception(std::string("\r\nGeneral Exception\r\n") + routine);
    }
}

} // namespace nimbrel
