#include "app/chart_picture.h"

#include <stdexcept>

namespace vemora {

std::string VectorPicture(TChart& chart, TVectorFormat format, std::string_view title) {
    const Rect client = chart.PageRect();
    std::string document;
    TVectorCanvas page(
        format, static_cast<int32_t>(client.Width()), static_cast<int32_t>(client.Height()),
        [&document](std::string_view bytes) {
            document.append(bytes);
            return true;
        },
        title);
    chart.DrawToMedium(page, client);
    if (!page.Finish())
        throw std::runtime_error("The picture could not be made");
    return document;
}

std::string PictureTitle(std::string_view dataPath) {
    const size_t slash = dataPath.find_last_of('/');
    return std::string(slash == std::string_view::npos ? dataPath : dataPath.substr(slash + 1));
}

} // namespace vemora
