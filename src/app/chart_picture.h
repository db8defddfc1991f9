// The chart's picture as a vector document: the whole frame the window shows at the chart's
// size, drawn again on the vector medium with the window's layout.
#pragma once

#include "canvas/vector_canvas.h"
#include "chart/chart.h"

#include <string>
#include <string_view>

namespace vemora {

// The document's bytes: an SVG, or a PDF whose title is the given one. Throws when cairo
// cannot make it.
std::string VectorPicture(TChart& chart, TVectorFormat format, std::string_view title);

// The name of the data file without its folders, which titles its pictures.
std::string PictureTitle(std::string_view dataPath);

} // namespace vemora
