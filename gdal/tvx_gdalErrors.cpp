#include "tvx_gdalErrors.h"

#include <exception>
#include <new>

#include "support/cv_exception.h"

namespace tvxgdal {

void reportCurrentFailure() {
    try {
        throw;
    } catch (const Corvane::OutOfMemoryException& e) {
        CPLError(CE_Failure, CPLE_OutOfMemory, "%s", e.what() ? e.what() : "out of memory");
    } catch (const Corvane::Exception& e) {
        CPLError(CE_Failure, CPLE_AppDefined, "%s", e.what() ? e.what() : "unknown failure");
    } catch (const std::bad_alloc&) {
        CPLError(CE_Failure, CPLE_OutOfMemory, "out of memory");
    } catch (const std::exception& e) {
        CPLError(CE_Failure, CPLE_AppDefined, "%s", e.what());
    } catch (...) {
        CPLError(CE_Failure, CPLE_AppDefined, "unknown failure");
    }
}

}  // namespace tvxgdal
