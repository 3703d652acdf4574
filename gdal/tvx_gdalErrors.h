#pragma once
// The driver's boundary with GDAL: every failure of the library becomes a CPLError
// carrying the library's own text, and the call that failed answers as GDAL expects.
#include <cpl_error.h>

namespace tvxgdal {

// Reports the exception being handled (call it from inside a catch block).
void reportCurrentFailure();

// Runs `work`; CE_None when it ends normally, CE_Failure after reporting any failure.
template <class Work>
CPLErr reportingFailures(Work&& work) {
    try {
        work();
        return CE_None;
    } catch (...) {
        reportCurrentFailure();
        return CE_Failure;
    }
}

}  // namespace tvxgdal
