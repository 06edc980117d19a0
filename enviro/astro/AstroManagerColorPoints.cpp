// The astronomy manager's two colour-point lists, kept for the host in the order of adding.
#include <new>

#include "enviro/astro/AstroManager.h"

namespace Astro {

namespace {

bool inRange(int index, const std::vector<AstroManager::Colorpoint>& points) {
    return index >= 0 && static_cast<size_t>(index) < points.size();
}

}  // namespace

int AstroManager::addPoint(Colorpoint* point, bool list) {
    if (!point) return -1;
    std::vector<Colorpoint>& points = pointList(list);
    try {
        points.push_back(*point);
    } catch (const std::bad_alloc&) {
        return -1;  // the list is unchanged
    }
    return static_cast<int>(points.size()) - 1;
}

void AstroManager::delPoint(int index, bool list) {
    std::vector<Colorpoint>& points = pointList(list);
    if (inRange(index, points)) points.erase(points.begin() + index);
}

int AstroManager::getAllPoints(Colorpoint* out, int capacity, bool list) {
    const std::vector<Colorpoint>& points = pointList(list);
    const int count = static_cast<int>(points.size());
    if (capacity < count || (!out && count > 0)) return 0;
    for (int i = 0; i < count; ++i) out[i] = points[static_cast<size_t>(i)];
    return count;
}

void AstroManager::setPointByNum(int index, Colorpoint* point, bool list) {
    std::vector<Colorpoint>& points = pointList(list);
    if (point && inRange(index, points)) points[static_cast<size_t>(index)] = *point;
}

void AstroManager::getPointByNum(int index, Colorpoint* out, bool list) {
    const std::vector<Colorpoint>& points = pointList(list);
    if (out && inRange(index, points)) *out = points[static_cast<size_t>(index)];
}

}  // namespace Astro
