// The whole way from a data file's bytes to a drawn chart, as the start button takes it,
// for the fuzzer and for the tests that replay what it found.
#pragma once

#include <string_view>

namespace vemora::fuzz {

// Writes the bytes to a scratch file and runs the plot on it: both reading passes, every
// point into the series, frames at a small size (the first points' and the last), the
// axis labels, then wheel notches, zooms, a pan and the undo, each followed by a frame;
// the size and the gestures follow from the bytes.
// A file the reader refuses ends the run quietly, as its message box would. Anything
// else that goes wrong escapes: an exception, a sanitizer report, a crash.
void PlotBytes(std::string_view bytes);

} // namespace vemora::fuzz
