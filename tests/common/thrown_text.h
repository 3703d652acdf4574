#pragma once
// The text of the library exception an action raises, so that a test can compare
// it with the catalog message it expects in one line.
#include <string>

#include "support/cv_exception.h"

namespace tovex_test {

template <class F>
std::string thrownText(F&& action) {
    try {
        action();
    } catch (const Corvane::Exception& e) {
        return Corvane::describe(e);
    }
    return "(nothing thrown)";
}

}  // namespace tovex_test
