#include "canvas/ruler_scale.h"

#include <cstdlib>

namespace {
int Nearest(double v) { return v > 0 ? (int)(v + 0.5) : (int)(v - 0.5); }
}  // namespace

RulerMark GetRulerMark(int column, int unit, int dpi) {
    const double d = dpi >= 1 ? dpi : 96;
    RulerMark m{column, column, 0};
    if (unit == RulerMillimetres) {
        double mm = column * 25.4 / d;
        m.tick = Nearest(2 * mm);
        m.label = Nearest(mm);
    } else if (unit == RulerInches) {
        m.tick = Nearest(column / d * 50);
        m.label = Nearest(column / d);
    }
    m.kind = m.tick % 50 == 0 ? 2 : m.tick % 10 == 0 ? 1 : 0;
    return m;
}

std::vector<RulerTick> LayoutRuler(const std::vector<int>& positions, int unit, int dpi, double zoom) {
    std::vector<RulerTick> ticks;
    if (unit < RulerPixels || unit > RulerInches) return ticks;
    bool anyLabel = false;
    int lastLabel = 0;
    int previous = 0;
    for (size_t c = 0; c < positions.size(); ++c) {
        RulerMark m = GetRulerMark((int)c, unit, dpi);
        if (c > 0 && m.tick == previous) continue;
        previous = m.tick;
        if (m.kind == 0) continue;
        RulerTick t{positions[c], m.kind, m.label, false};
        if (m.kind == 2 || zoom >= 500.0) {
            if (!anyLabel || std::abs(t.position - lastLabel) > 20) {
                t.labelShown = true;
                anyLabel = true;
                lastLabel = t.position;
            }
        }
        ticks.push_back(t);
    }
    return ticks;
}
