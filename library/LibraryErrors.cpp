// SPDX-License-Identifier: MIT
// The translation of the solver's failures into the library's errors.
#include "library/LibraryErrors.hpp"

#include <new>
#include <stdexcept>

#include "spanfold/spanfold.hpp"
#include "timing/MicrosecondTimer.hpp"

namespace spanfold {

void rethrowAsLibraryError() {
    try {
        throw;
    } catch (const InvalidInput&) {
        throw;
    } catch (const InvalidOption&) {
        throw;
    } catch (const std::invalid_argument& e) {
        throw InvalidInput(e.what());
    } catch (const TimerUnavailable&) {
        throw;
    } catch (const TimerError&) {
        throw TimerUnavailable();
    } catch (const OutOfMemory&) {
        throw;
    } catch (const std::bad_alloc&) {
        throw OutOfMemory();
    } catch (const std::length_error&) {
        throw OutOfMemory();
    }
}

}  // namespace spanfold
