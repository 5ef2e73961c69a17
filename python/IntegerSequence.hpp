// SPDX-License-Identifier: MIT
// Python's integers as the library's 64-bit values: from any iterable of integers (a list, a
// tuple, a generator, a range, ...) or, without a loop in Python, from a one-dimensional
// buffer of native integers such as a NumPy array. NumPy itself is never imported: a buffer is
// read through Python's buffer protocol, and any other array is iterated.
//
// Each function is called with the interpreter's lock held.
#pragma once

#include <pybind11/pybind11.h>

#include <cstdint>
#include <vector>

namespace spanfold::python {

// The values of `sequence`, each an integer from 0 to 18446744073709551615. Throws
// InvalidInput "input values invalid or too large" for any other value (a negative or larger
// integer, a float, a string, None), pybind11::type_error for an object that is not iterable,
// and pybind11::error_already_set for an exception raised while iterating (a Ctrl-C among
// them: the signals are looked at every so many values). `name` names the argument in the
// TypeError.
std::vector<std::uint64_t> unsignedValues(pybind11::handle sequence, const char* name);

// The positions of `sequence`, integers of any sign, moved together so that the smallest is 0.
// The same errors, InvalidInput for a non-integer or for positions more than
// 18446744073709551615 apart.
std::vector<std::uint64_t> positionsFromZero(pybind11::handle sequence, const char* name);

}  // namespace spanfold::python
