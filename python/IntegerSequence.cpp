// SPDX-License-Identifier: MIT
// Reading Python integers of any kind into 64-bit values, through the buffer protocol where an
// object offers plain native integers, and by iteration otherwise.
#include "python/IntegerSequence.hpp"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <limits>
#include <string>

#include "spanfold/spanfold.hpp"

namespace py = pybind11;

namespace spanfold::python {
namespace {

[[noreturn]] void throwInvalidValue() { throw InvalidInput("input values invalid or too large"); }

// An integer of either sign whose magnitude fits in 64 bits; a negative one is never -0.
struct Integer {
    bool negative;
    std::uint64_t magnitude;

    bool operator<(const Integer& other) const noexcept {
        if (negative != other.negative) return negative;
        return negative ? magnitude > other.magnitude : magnitude < other.magnitude;
    }
};

template <typename Native>
Integer integerOf(Native value) noexcept {
    if constexpr (std::numeric_limits<Native>::is_signed) {
        if (value < 0) return {true, std::uint64_t{0} - static_cast<std::uint64_t>(value)};
    }
    return {false, static_cast<std::uint64_t>(value)};
}

// The value of one Python object with __index__ (int, bool, NumPy's integer scalars); a float,
// a string or None has none and is an invalid value.
Integer integerOf(PyObject* item) {
    const auto index = py::reinterpret_steal<py::object>(PyNumber_Index(item));
    if (!index) {
        if (!PyErr_ExceptionMatches(PyExc_TypeError)) throw py::error_already_set();
        PyErr_Clear();
        throwInvalidValue();
    }
    int overflow = 0;
    const long long value = PyLong_AsLongLongAndOverflow(index.ptr(), &overflow);
    if (overflow == 0) {
        if (value == -1 && PyErr_Occurred() != nullptr) throw py::error_already_set();
        return integerOf(value);
    }
    // Beyond 64 signed bits: the magnitude may still fit in 64 unsigned ones.
    const auto magnitude =
        overflow > 0 ? index : py::reinterpret_steal<py::object>(PyNumber_Negative(index.ptr()));
    if (!magnitude) throw py::error_already_set();
    const unsigned long long m = PyLong_AsUnsignedLongLong(magnitude.ptr());
    if (m == static_cast<unsigned long long>(-1) && PyErr_Occurred() != nullptr) {
        if (!PyErr_ExceptionMatches(PyExc_OverflowError)) throw py::error_already_set();
        PyErr_Clear();
        throwInvalidValue();
    }
    return {overflow < 0, m};
}

// Gives the buffer view back, however the reading ends.
class BufferView {
public:
    BufferView() = default;
    BufferView(const BufferView&) = delete;
    BufferView& operator=(const BufferView&) = delete;
    ~BufferView() {
        if (taken_) PyBuffer_Release(&view_);
    }
    bool take(PyObject* object) {
        taken_ = PyObject_GetBuffer(object, &view_, PyBUF_RECORDS_RO) == 0;
        if (!taken_) PyErr_Clear();
        return taken_;
    }
    const Py_buffer& operator*() const noexcept { return view_; }

private:
    Py_buffer view_{};
    bool taken_ = false;
};

// Reads the buffer as one of Native each, where its items have that size.
template <typename Native, typename Consume>
bool readAs(const Py_buffer& view, Consume& consume) {
    if (view.itemsize != static_cast<Py_ssize_t>(sizeof(Native))) return false;
    const auto* bytes = static_cast<const char*>(view.buf);
    for (Py_ssize_t i = 0; i < view.shape[0]; ++i) {
        Native value;
        std::memcpy(&value, bytes + i * view.strides[0], sizeof value);  // may be unaligned
        consume(integerOf(value));
    }
    return true;
}

// Hands every value of a one-dimensional buffer of native integers to `consume`, and says
// true; says false, having read nothing, for any other object, which is then iterated.
template <typename Consume>
bool readNativeIntegers(PyObject* object, Consume& consume) {
    BufferView view;
    if (!PyObject_CheckBuffer(object) || !view.take(object) || (*view).ndim != 1) return false;
    std::string format = (*view).format != nullptr ? (*view).format : "B";
    if (format.starts_with('@')) format.erase(0, 1);  // native order and sizes, as without
    if (format.size() != 1) return false;
    // The type of each format code, as Python's struct module names them.
    switch (format[0]) {
        case 'b':
            return readAs<signed char>(*view, consume);
        case 'B':
            return readAs<unsigned char>(*view, consume);
        case 'h':
            return readAs<short>(*view, consume);
        case 'H':
            return readAs<unsigned short>(*view, consume);
        case 'i':
            return readAs<int>(*view, consume);
        case 'I':
            return readAs<unsigned>(*view, consume);
        case 'l':
            return readAs<long>(*view, consume);
        case 'L':
            return readAs<unsigned long>(*view, consume);
        case 'q':
            return readAs<long long>(*view, consume);
        case 'Q':
            return readAs<unsigned long long>(*view, consume);
        case 'n':
            return readAs<Py_ssize_t>(*view, consume);
        case 'N':
            return readAs<std::size_t>(*view, consume);
        default:
            return false;  // floats, booleans, characters, records
    }
}

// Hands every value of `sequence` to `consume`, in order.
template <typename Consume>
void readIntegers(py::handle sequence, const char* name, Consume consume) {
    if (readNativeIntegers(sequence.ptr(), consume)) return;
    const auto iterator = py::reinterpret_steal<py::object>(PyObject_GetIter(sequence.ptr()));
    if (!iterator) {
        if (!PyErr_ExceptionMatches(PyExc_TypeError)) throw py::error_already_set();
        PyErr_Clear();
        throw py::type_error(std::string(name) + " must be an iterable of integers, not " +
                             Py_TYPE(sequence.ptr())->tp_name);
    }
    // A long sequence is read with the lock held: Ctrl-C is looked for now and then.
    constexpr std::size_t signalInterval = std::size_t{1} << 20;
    for (std::size_t count = 1;; ++count) {
        const auto item = py::reinterpret_steal<py::object>(PyIter_Next(iterator.ptr()));
        if (!item) break;
        consume(integerOf(item.ptr()));
        if (count % signalInterval == 0 && PyErr_CheckSignals() != 0) {
            throw py::error_already_set();
        }
    }
    if (PyErr_Occurred() != nullptr) throw py::error_already_set();
}

// How many values the sequence says it holds, or 0 when it cannot say.
std::size_t lengthHint(py::handle sequence) {
    const Py_ssize_t hint = PyObject_LengthHint(sequence.ptr(), 0);
    if (hint < 0) throw py::error_already_set();
    return static_cast<std::size_t>(hint);
}

}  // namespace

std::vector<std::uint64_t> unsignedValues(py::handle sequence, const char* name) {
    std::vector<std::uint64_t> values;
    values.reserve(lengthHint(sequence));
    readIntegers(sequence, name, [&](Integer value) {
        if (value.negative) throwInvalidValue();
        values.push_back(value.magnitude);
    });
    return values;
}

std::vector<std::uint64_t> positionsFromZero(py::handle sequence, const char* name) {
    std::vector<Integer> positions;
    positions.reserve(lengthHint(sequence));
    readIntegers(sequence, name, [&](Integer value) { positions.push_back(value); });
    std::vector<std::uint64_t> fromZero;
    if (positions.empty()) return fromZero;
    const Integer low = *std::min_element(positions.begin(), positions.end());
    fromZero.reserve(positions.size());
    for (const Integer& p : positions) {
        // p - low, in 64 bits when it fits: p is at least low.
        if (!low.negative) {
            fromZero.push_back(p.magnitude - low.magnitude);
        } else if (p.negative) {
            fromZero.push_back(low.magnitude - p.magnitude);
        } else if (p.magnitude <= std::numeric_limits<std::uint64_t>::max() - low.magnitude) {
            fromZero.push_back(p.magnitude + low.magnitude);
        } else {
            throwInvalidValue();
        }
    }
    return fromZero;
}

}  // namespace spanfold::python
