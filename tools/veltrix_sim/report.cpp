#include "report.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <sstream>

namespace tools {

using sim::Trace;
using sim::TraceRow;

std::string escapeHtml(const std::string& text) {
    std::string out;
    for (char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        default: out += c;
        }
    }
    return out;
}

namespace {

const char* const kObjectColours[] = {"#1565c0", "#2e7d32", "#6d4c41", "#00838f", "#5e35b1", "#37474f"};
const char* const kCameraColours[] = {"#e65100", "#c62828", "#ad1457", "#f9a825", "#4e342e"};

struct PhaseStyle {
    char phase;
    const char* colour;
    const char* name;
};
const PhaseStyle kPhases[] = {
    {'s', "#43a047", "start"}, {'f', "#1e88e5", "follow"},  {'l', "#fb8c00", "linger"},
    {'h', "#9e9e9e", "hold (not moved)"}, {'e', "#e53935", "end"},
};

const char* phaseColour(char phase) {
    for (const PhaseStyle& p : kPhases)
        if (p.phase == phase) return p.colour;
    return "#000";
}

std::string num(double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", v);
    return text;
}

std::string figure(double v, int digits = 4) {
    char text[32];
    std::snprintf(text, sizeof text, "%.*g", digits, v);
    return text;
}

double niceStep(double span, int ticks) {
    if (!(span > 0)) return 1;
    const double raw = span / ticks;
    const double magnitude = std::pow(10.0, std::floor(std::log10(raw)));
    const double f = raw / magnitude;
    return (f < 1.5 ? 1 : f < 3.5 ? 2 : f < 7.5 ? 5 : 10) * magnitude;
}

// Pixel frame of one chart and the data range it shows.
struct Frame {
    double left = 0, top = 0, width = 0, height = 0;
    double x0 = 0, x1 = 1, y0 = 0, y1 = 1;
    double px(double x) const { return left + (x - x0) / (x1 - x0) * width; }
    double py(double y) const { return top + height - (y - y0) / (y1 - y0) * height; }
};

struct Range {
    double lo = 1e300, hi = -1e300;
    void add(double v) {
        if (!std::isfinite(v)) return;
        lo = std::min(lo, v);
        hi = std::max(hi, v);
    }
    bool empty() const { return lo > hi; }
    // Widens to at least `minimum` and pads by `share` on both sides.
    void settle(double minimum, double share) {
        if (empty()) lo = 0, hi = 0;
        if (hi - lo < minimum) {
            const double mid = (lo + hi) / 2;
            lo = mid - minimum / 2, hi = mid + minimum / 2;
        }
        const double pad = (hi - lo) * share;
        lo -= pad, hi += pad;
    }
};

void grid(std::ostringstream& svg, const Frame& f, const std::string& xTitle, const std::string& yTitle,
          bool integerX = false) {
    svg << "<g class=\"grid\">";
    const double xs = std::max(integerX ? 1.0 : 0.0, niceStep(f.x1 - f.x0, 8));
    for (double x = std::ceil(f.x0 / xs) * xs; x <= f.x1 + 1e-9; x += xs) {
        svg << "<line x1=\"" << num(f.px(x)) << "\" y1=\"" << num(f.top) << "\" x2=\"" << num(f.px(x)) << "\" y2=\""
            << num(f.top + f.height) << "\"/>";
        svg << "<text class=\"tick\" x=\"" << num(f.px(x)) << "\" y=\"" << num(f.top + f.height + 14)
            << "\" text-anchor=\"middle\">" << figure(std::abs(x) < xs * 1e-6 ? 0 : x) << "</text>";
    }
    const double ys = niceStep(f.y1 - f.y0, 5);
    for (double y = std::ceil(f.y0 / ys) * ys; y <= f.y1 + 1e-9; y += ys) {
        svg << "<line x1=\"" << num(f.left) << "\" y1=\"" << num(f.py(y)) << "\" x2=\"" << num(f.left + f.width)
            << "\" y2=\"" << num(f.py(y)) << "\"/>";
        svg << "<text class=\"tick\" x=\"" << num(f.left - 6) << "\" y=\"" << num(f.py(y) + 4)
            << "\" text-anchor=\"end\">" << figure(std::abs(y) < ys * 1e-6 ? 0 : y) << "</text>";
    }
    svg << "</g><rect class=\"frame\" x=\"" << num(f.left) << "\" y=\"" << num(f.top) << "\" width=\"" << num(f.width)
        << "\" height=\"" << num(f.height) << "\"/>";
    svg << "<text class=\"axis\" x=\"" << num(f.left + f.width / 2) << "\" y=\"" << num(f.top + f.height + 32)
        << "\" text-anchor=\"middle\">" << escapeHtml(xTitle) << "</text>";
    svg << "<text class=\"axis\" transform=\"translate(" << num(f.left - 42) << "," << num(f.top + f.height / 2)
        << ") rotate(-90)\" text-anchor=\"middle\">" << escapeHtml(yTitle) << "</text>";
}

// ---- Paths in space ------------------------------------------------------------------------------
struct CameraPoint {
    int pass;
    Vector3 position, look;
    char phase;
};

struct Paths {
    std::vector<std::string> objectIds;  // in order of first appearance
    std::map<std::string, std::vector<Vector3>> objects;
    std::vector<int32_t> cameraHandles;
    std::map<int32_t, std::vector<CameraPoint>> cameras;
};

Paths collectPaths(const Trace& trace) {
    Paths p;
    for (const TraceRow& row : trace.rows) {
        for (const sim::ObjectSample& o : row.objects) {
            if (!p.objects.count(o.id)) p.objectIds.push_back(o.id);
            p.objects[o.id].push_back(o.position);
        }
        for (const sim::CameraSample& c : row.cameras) {
            if (!p.cameras.count(c.handle)) p.cameraHandles.push_back(c.handle);
            p.cameras[c.handle].push_back({row.pass, c.position, c.lookAt, c.phase});
        }
    }
    return p;
}

std::string cameraLabel(const Trace& trace, int32_t handle) {
    for (const sim::CameraLife& life : trace.cameras)
        if (life.handle == handle) return "camera " + std::to_string(handle) + " (" + life.mode + ")";
    return "camera " + std::to_string(handle);
}

bool isTarget(const sim::Scenario& s, const std::string& id) {
    return std::any_of(s.targets.begin(), s.targets.end(), [&](const sim::ScenarioTarget& t) { return t.id == id; });
}

bool unplaced(const std::vector<CameraPoint>& points) {
    for (const CameraPoint& c : points)
        if (!std::isfinite(c.position.x) || !std::isfinite(c.position.y) || !std::isfinite(c.position.z)) return true;
    return false;
}

// One view of the paths: `project` maps a world point to chart coordinates.
template <typename Project>
std::string spaceView(const sim::Scenario& scenario, const Trace& trace, const Paths& paths, Project project,
                      bool equalAspect, const std::string& xTitle, const std::string& yTitle, const char* cssClass,
                      bool groundLine) {
    Range xr, yr;
    auto include = [&](Vector3 v) {
        const auto [x, y] = project(v);
        xr.add(x), yr.add(y);
    };
    include(scenario.player);
    for (const auto& [id, points] : paths.objects)
        for (Vector3 v : points) include(v);
    for (const auto& [handle, points] : paths.cameras)
        for (const CameraPoint& c : points) include(c.position);
    if (groundLine) yr.add(0);
    xr.settle(2.0, 0.06);
    yr.settle(2.0, 0.08);

    Frame f;
    f.left = 60, f.top = 12, f.width = 820;
    f.x0 = xr.lo, f.x1 = xr.hi, f.y0 = yr.lo, f.y1 = yr.hi;
    double exaggeration = 1;
    if (equalAspect) {
        // Metres the same both ways: the height follows the data, within reason,
        // and the narrower range is widened to fill the frame.
        f.height = std::clamp(f.width * (f.y1 - f.y0) / (f.x1 - f.x0), 240.0, 520.0);
        const double scale = std::min(f.width / (f.x1 - f.x0), f.height / (f.y1 - f.y0));
        const double wx = f.width / scale, wy = f.height / scale;
        const double cx = (f.x0 + f.x1) / 2, cy = (f.y0 + f.y1) / 2;
        f.x0 = cx - wx / 2, f.x1 = cx + wx / 2, f.y0 = cy - wy / 2, f.y1 = cy + wy / 2;
    } else {
        // Heights stretched only as far as needed to stay readable.
        f.height = std::clamp(f.width * (f.y1 - f.y0) / (f.x1 - f.x0), 180.0, 300.0);
        exaggeration = (f.height / (f.y1 - f.y0)) / (f.width / (f.x1 - f.x0));
    }
    const double tick = 0.045 * std::max(f.x1 - f.x0, (f.y1 - f.y0) / std::max(exaggeration, 1e-9));

    std::ostringstream svg;
    svg << "<svg class=\"" << cssClass << "\" xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 900 "
        << num(f.height + 52) << "\" role=\"img\" aria-label=\"" << escapeHtml(yTitle + " against " + xTitle) << "\">";
    std::string yLabel = yTitle;
    if (!equalAspect && std::abs(exaggeration - 1) > 0.05) yLabel += ", stretched x" + figure(exaggeration, 2);
    grid(svg, f, xTitle, yLabel);
    if (groundLine && f.y0 < 0 && f.y1 > 0)
        svg << "<line class=\"ground\" x1=\"" << num(f.left) << "\" y1=\"" << num(f.py(0)) << "\" x2=\""
            << num(f.left + f.width) << "\" y2=\"" << num(f.py(0)) << "\"/>";

    // A point at no real position (a camera placed at infinity, say) is left out.
    auto finite = [](std::pair<double, double> p) { return std::isfinite(p.first) && std::isfinite(p.second); };
    auto polyline = [&](const std::vector<std::pair<double, double>>& pts, const char* colour, const char* extra) {
        svg << "<polyline fill=\"none\" stroke=\"" << colour << "\" " << extra << " points=\"";
        for (const auto& p : pts)
            if (finite(p)) svg << num(f.px(p.first)) << ',' << num(f.py(p.second)) << ' ';
        svg << "\"/>";
    };

    // Player.
    {
        const auto [x, y] = project(scenario.player);
        svg << "<rect class=\"player\" x=\"" << num(f.px(x) - 5) << "\" y=\"" << num(f.py(y) - 5)
            << "\" width=\"10\" height=\"10\"><title>player</title></rect>";
        svg << "<text class=\"label\" x=\"" << num(f.px(x) + 8) << "\" y=\"" << num(f.py(y) + 14) << "\">player</text>";
    }
    // Projectiles and targets.
    size_t k = 0;
    for (const std::string& id : paths.objectIds) {
        const char* colour = kObjectColours[k++ % std::size(kObjectColours)];
        std::vector<std::pair<double, double>> pts;
        for (Vector3 v : paths.objects.at(id)) pts.push_back(project(v));
        // Wide and pale, so a camera riding along it stays visible on top.
        polyline(pts, colour, "stroke-width=\"4\" stroke-opacity=\"0.45\"");
        const auto [ex, ey] = pts.back();
        if (!finite(pts.back())) continue;
        svg << "<circle cx=\"" << num(f.px(ex)) << "\" cy=\"" << num(f.py(ey)) << "\" r=\""
            << (isTarget(scenario, id) ? 6 : 3.5) << "\" fill=\"" << colour << "\"><title>" << escapeHtml(id)
            << "</title></circle>";
        svg << "<text class=\"label\" fill=\"" << colour << "\" x=\"" << num(f.px(ex) + 8) << "\" y=\""
            << num(f.py(ey) - 6) << "\">" << escapeHtml(id) << "</text>";
    }
    // Cameras, with short ticks toward where they look.
    k = 0;
    for (int32_t handle : paths.cameraHandles) {
        const char* colour = kCameraColours[k++ % std::size(kCameraColours)];
        const std::vector<CameraPoint>& points = paths.cameras.at(handle);
        std::vector<std::pair<double, double>> pts;
        for (const CameraPoint& c : points)
            if (c.phase != 's') pts.push_back(project(c.position));  // not placed yet when it starts
        if (pts.empty()) continue;
        polyline(pts, colour, "stroke-width=\"2.5\" stroke-dasharray=\"7 3\"");
        const size_t every = std::max<size_t>(1, points.size() / 24);
        svg << "<g stroke=\"" << colour << "\" stroke-width=\"1.3\">";
        for (size_t i = 0; i < points.size(); i += every) {
            const CameraPoint& c = points[i];
            if (c.phase == 's') continue;
            const auto [x, y] = project(c.position);
            const auto [lx, ly] = project(c.look);
            if (!finite({x, y}) || !finite({lx, ly})) continue;
            // Measured in screen units, so the ticks read alike on a stretched chart.
            const double dx = (lx - x), dy = (ly - y) / std::max(exaggeration, 1e-9);
            const double length = std::hypot(dx, dy);
            if (!(length > 1e-6)) continue;
            const double s = std::min(1.0, tick / length);
            svg << "<line x1=\"" << num(f.px(x)) << "\" y1=\"" << num(f.py(y)) << "\" x2=\"" << num(f.px(x + (lx - x) * s))
                << "\" y2=\"" << num(f.py(y + (ly - y) * s)) << "\"><title>pass " << c.pass << "</title></line>";
        }
        svg << "</g>";
    }
    svg << "</svg>";

    // Legend.
    std::ostringstream legend;
    legend << "<div class=\"legend\"><span><i class=\"sw player\"></i>player</span>";
    k = 0;
    for (const std::string& id : paths.objectIds)
        legend << "<span><i class=\"sw\" style=\"background:" << kObjectColours[k++ % std::size(kObjectColours)]
               << "\"></i>" << escapeHtml(id) << (isTarget(scenario, id) ? " (target)" : "") << "</span>";
    k = 0;
    for (int32_t handle : paths.cameraHandles)
        legend << "<span><i class=\"sw dash\" style=\"border-color:" << kCameraColours[k++ % std::size(kCameraColours)]
               << "\"></i>" << escapeHtml(cameraLabel(trace, handle)) << ", ticks toward its look point"
               << (unplaced(paths.cameras.at(handle)) ? " (at no real position in some passes: not drawn there)" : "")
               << "</span>";
    legend << "</div>";
    return svg.str() + legend.str();
}

// ---- Time ---------------------------------------------------------------------------------------
Frame passFrame(const Trace& trace, double top, double height) {
    Frame f;
    f.left = 150, f.top = top, f.width = 730, f.height = height;
    f.x0 = 0.5, f.x1 = std::max<double>(1, static_cast<double>(trace.rows.size())) + 0.5;
    return f;
}

std::string eventLabel(const sim::ScenarioEvent& e) {
    char hex[16];
    if (e.action == "key_down" || e.action == "key_up") return e.action + " " + std::to_string(e.value);
    if (e.action == "weapon") {
        std::snprintf(hex, sizeof hex, "0x%08X", e.value);
        return "weapon " + std::string(hex);
    }
    return e.action + (e.id.empty() ? "" : " " + e.id);
}

std::string timeScaleChart(const sim::Scenario& scenario, const Trace& trace) {
    // Scenario events, labelled above the chart: events a few pixels apart
    // share one label, and labels take the first row where they fit.
    struct Group {
        double x = 0, textX = 0;
        std::vector<const sim::ScenarioEvent*> events;
        std::string label;
        int row = 0;
    };
    const Frame columns = passFrame(trace, 0, 1);
    std::vector<Group> groups;
    for (const sim::ScenarioEvent& e : scenario.events) {
        if (e.pass < 1 || e.pass > static_cast<int>(trace.rows.size())) continue;
        const double x = columns.px(e.pass);
        if (groups.empty() || x - groups.back().x > 24) groups.push_back({x, x, {}, "", 0});
        Group& g = groups.back();
        g.label += (g.events.empty() ? "" : ", ") + eventLabel(e);
        g.events.push_back(&e);
    }
    constexpr double kCharWidth = 5.4, kRightEdge = 895;
    std::vector<double> rowEnds;
    for (Group& g : groups) {
        const double width = kCharWidth * static_cast<double>(g.label.size());
        g.textX = std::min(g.x + 3, kRightEdge - width);
        size_t row = 0;
        while (row < rowEnds.size() && g.textX < rowEnds[row] + 8) ++row;
        if (row == rowEnds.size()) rowEnds.push_back(0);
        rowEnds[row] = g.textX + width;
        g.row = static_cast<int>(row);
    }

    Frame f = passFrame(trace, 8 + 12 * static_cast<double>(std::max<size_t>(rowEnds.size(), 1)), 170);
    double highest = 1;
    for (const TraceRow& r : trace.rows)
        if (std::isfinite(r.timeScale)) highest = std::max(highest, static_cast<double>(r.timeScale));
    f.y0 = 0, f.y1 = highest * 1.08;

    std::ostringstream svg;
    svg << "<svg class=\"timeline\" xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 900 "
        << num(f.top + f.height + 40) << "\" role=\"img\" aria-label=\"time scale by pass\">";
    // Passes with a scripted camera in view.
    svg << "<g class=\"view\">";
    for (size_t i = 0; i < trace.rows.size();) {
        if (!trace.rows[i].scriptedView) {
            ++i;
            continue;
        }
        size_t j = i;
        while (j < trace.rows.size() && trace.rows[j].scriptedView) ++j;
        svg << "<rect x=\"" << num(f.px(trace.rows[i].pass - 0.5)) << "\" y=\"" << num(f.top) << "\" width=\""
            << num(f.px(trace.rows[j - 1].pass + 0.5) - f.px(trace.rows[i].pass - 0.5)) << "\" height=\""
            << num(f.height) << "\"/>";
        i = j;
    }
    svg << "</g>";
    grid(svg, f, "pass", "time scale", true);
    svg << "<polyline class=\"scale\" fill=\"none\" points=\"";
    for (const TraceRow& r : trace.rows) {
        const double y = std::isfinite(r.timeScale) ? r.timeScale : 0;
        svg << num(f.px(r.pass - 0.5)) << ',' << num(f.py(y)) << ' ' << num(f.px(r.pass + 0.5)) << ','
            << num(f.py(y)) << ' ';
    }
    svg << "\"/>";
    for (const Group& g : groups) {
        const double baseline = 16 + 12 * g.row;
        for (const sim::ScenarioEvent* e : g.events)
            svg << "<line class=\"event\" x1=\"" << num(f.px(e->pass)) << "\" y1=\"" << num(baseline + 2)
                << "\" x2=\"" << num(f.px(e->pass)) << "\" y2=\"" << num(f.top + f.height) << "\"><title>pass "
                << e->pass << ": " << escapeHtml(eventLabel(*e)) << "</title></line>";
        svg << "<text class=\"event\" x=\"" << num(g.textX) << "\" y=\"" << num(baseline) << "\">"
            << escapeHtml(g.label) << "</text>";
    }
    svg << "<line class=\"cursor\" x1=\"0\" y1=\"" << num(f.top) << "\" x2=\"0\" y2=\"" << num(f.top + f.height)
        << "\" visibility=\"hidden\"/>";
    svg << "</svg>";
    return svg.str();
}

std::string lifeBars(const Trace& trace) {
    const double rowHeight = 26;
    const size_t rows = std::max<size_t>(1, trace.cameras.size());
    Frame f = passFrame(trace, 8, rowHeight * static_cast<double>(rows));
    std::ostringstream svg;
    svg << "<svg class=\"lives\" xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 900 "
        << num(f.top + f.height + 40) << "\" role=\"img\" aria-label=\"camera lives by pass\">";
    svg << "<g class=\"grid\">";
    const double xs = std::max(1.0, niceStep(f.x1 - f.x0, 8));
    for (double x = std::ceil(f.x0 / xs) * xs; x <= f.x1; x += xs) {
        svg << "<line x1=\"" << num(f.px(x)) << "\" y1=\"" << num(f.top) << "\" x2=\"" << num(f.px(x)) << "\" y2=\""
            << num(f.top + f.height) << "\"/>";
        svg << "<text class=\"tick\" x=\"" << num(f.px(x)) << "\" y=\"" << num(f.top + f.height + 14)
            << "\" text-anchor=\"middle\">" << figure(x) << "</text>";
    }
    svg << "</g>";
    if (trace.cameras.empty())
        svg << "<text class=\"label\" x=\"" << num(f.left + 8) << "\" y=\"" << num(f.top + 17)
            << "\">no camera was made</text>";
    for (size_t i = 0; i < trace.cameras.size(); ++i) {
        const sim::CameraLife& life = trace.cameras[i];
        const double y = f.top + rowHeight * static_cast<double>(i) + 4;
        svg << "<text class=\"label\" x=\"" << num(f.left - 8) << "\" y=\"" << num(y + 13) << "\" text-anchor=\"end\">"
            << escapeHtml(cameraLabel(trace, life.handle)) << "</text>";
        // Runs of passes in one phase, each one rectangle.
        std::vector<std::pair<int, char>> samples;
        for (const TraceRow& r : trace.rows)
            for (const sim::CameraSample& c : r.cameras)
                if (c.handle == life.handle && r.pass >= life.created &&
                    (life.destroyed == -1 || r.pass <= life.destroyed))
                    samples.push_back({r.pass, c.phase});
        for (size_t a = 0; a < samples.size();) {
            size_t b = a;
            while (b + 1 < samples.size() && samples[b + 1].second == samples[a].second &&
                   samples[b + 1].first == samples[b].first + 1)
                ++b;
            double x0 = f.px(samples[a].first - 0.5), x1 = f.px(samples[b].first + 0.5);
            if (x1 - x0 < 3) x1 = x0 + 3;  // a one-pass start or end stays visible
            svg << "<rect x=\"" << num(x0) << "\" y=\"" << num(y) << "\" width=\"" << num(x1 - x0)
                << "\" height=\"18\" fill=\"" << phaseColour(samples[a].second) << "\"><title>" << samples[a].first;
            if (b != a) svg << "-" << samples[b].first;
            svg << "</title></rect>";
            a = b + 1;
        }
    }
    svg << "<line class=\"cursor\" x1=\"0\" y1=\"" << num(f.top) << "\" x2=\"0\" y2=\"" << num(f.top + f.height)
        << "\" visibility=\"hidden\"/>";
    svg << "<text class=\"axis\" x=\"" << num(f.left + f.width / 2) << "\" y=\"" << num(f.top + f.height + 32)
        << "\" text-anchor=\"middle\">pass</text></svg>";
    svg << "<div class=\"legend\">";
    for (const PhaseStyle& p : kPhases)
        svg << "<span><i class=\"sw\" style=\"background:" << p.colour << "\"></i>" << p.name << "</span>";
    svg << "</div>";
    return svg.str();
}

// Per pass, for the hover readout: time scale and each camera's phase.
std::string passData(const Trace& trace) {
    std::ostringstream js;
    js << "[";
    for (size_t i = 0; i < trace.rows.size(); ++i) {
        const TraceRow& r = trace.rows[i];
        js << (i ? "," : "") << "[" << r.pass << "," << (std::isfinite(r.timeScale) ? figure(r.timeScale, 6) : "0")
           << "," << (r.scriptedView ? 1 : 0) << ",\"";
        for (size_t c = 0; c < r.cameras.size(); ++c)
            js << (c ? " " : "") << r.cameras[c].handle << r.cameras[c].phase;
        js << "\"]";
    }
    js << "]";
    return js.str();
}

const char* const kStyle = R"(
body { font: 14px/1.45 system-ui, sans-serif; margin: 24px auto; max-width: 940px; color: #222; }
h1 { font-size: 22px; margin: 0 0 4px; } h2 { font-size: 16px; margin: 26px 0 6px; }
p.description { margin: 4px 0 14px; color: #444; }
table.figures { border-collapse: collapse; margin: 8px 0; }
table.figures th, table.figures td { text-align: left; padding: 3px 14px 3px 0; border-bottom: 1px solid #e3e3e3; vertical-align: top; }
table.figures th { font-weight: 600; color: #555; }
.pass { color: #2e7d32; font-weight: 700; } .fail { color: #c62828; font-weight: 700; }
svg { width: 100%; height: auto; display: block; background: #fff; }
svg .grid line { stroke: #e8e8e8; stroke-width: 1; } svg .frame { fill: none; stroke: #999; }
svg text { font: 11px system-ui, sans-serif; fill: #555; } svg text.axis { font-size: 12px; fill: #333; }
svg text.label { font-size: 12px; fill: #333; } svg .player { fill: #212121; }
svg .ground { stroke: #8d6e63; stroke-width: 1.5; } svg .view rect { fill: #e3f2fd; }
svg .scale { stroke: #6a1b9a; stroke-width: 2; } svg line.event { stroke: #78909c; stroke-dasharray: 3 3; }
svg text.event { font-size: 10px; fill: #455a64; } svg .cursor { stroke: #000; stroke-width: 1; }
.legend { display: flex; flex-wrap: wrap; gap: 4px 16px; font-size: 12px; color: #444; margin: 2px 0 8px; }
.legend .sw { display: inline-block; width: 14px; height: 10px; margin-right: 5px; vertical-align: -1px; }
.legend .sw.dash { height: 0; border-top: 3px dashed; margin-bottom: 3px; }
.legend .sw.player { background: #212121; width: 10px; }
.readout { font: 12px ui-monospace, monospace; min-height: 1.4em; color: #333; }
pre { background: #f6f6f6; padding: 8px; font-size: 12px; overflow-x: auto; }
)";

// Hover readout: which pass is under the pointer on a run's time charts.
const char* const kScript = R"(
(function () {
  var names = {s: 'start', f: 'follow', l: 'linger', h: 'hold', e: 'end'};
  document.querySelectorAll('section.run').forEach(function (run) {
  var data = JSON.parse(run.querySelector('.pass-data').textContent);
  var readout = run.querySelector('.readout');
  ['timeline', 'lives'].forEach(function (name) {
    var svg = run.querySelector('svg.' + name);
    svg.addEventListener('mousemove', function (ev) {
      var box = svg.getBoundingClientRect();
      var x = (ev.clientX - box.left) * 900 / box.width;
      var pass = Math.round((x - 150) / 730 * data.length + 0.5);
      if (pass < 1 || pass > data.length) return;
      var row = data[pass - 1];
      var cams = row[3] ? row[3].split(' ').map(function (c) {
        return 'camera ' + c.slice(0, -1) + ' ' + names[c.slice(-1)];
      }).join(', ') : 'no camera';
      readout.textContent = 'pass ' + row[0] + ': time scale ' + row[1] +
        (row[2] ? ', scripted view' : ', gameplay view') + '; ' + cams;
      var px = 150 + (pass - 0.5) / data.length * 730;
      run.querySelectorAll('svg .cursor').forEach(function (line) {
        line.setAttribute('x1', px); line.setAttribute('x2', px); line.setAttribute('visibility', 'visible');
      });
    });
  });
  });
  document.body.setAttribute('data-ready', '1');
})();
)";

}  // namespace

const char* reportStyle() { return kStyle; }
const char* reportScript() { return kScript; }

std::string renderRunSection(const sim::Scenario& scenario, const Trace& trace, const ReportFacts& facts,
                             const std::string& heading) {
    const Paths paths = collectPaths(trace);
    const sim::TraceSummary& s = facts.summary;

    // The side view runs along the throw or shot: from the player toward the
    // farthest point of any path.
    Vector3 along = {1, 0, 0};
    double farthest = 0;
    auto consider = [&](Vector3 v) {
        const double dx = v.x - scenario.player.x, dy = v.y - scenario.player.y;
        const double d = std::hypot(dx, dy);
        if (std::isfinite(d) && d > farthest) farthest = d, along = {static_cast<float>(dx / d), static_cast<float>(dy / d), 0};
    };
    for (const auto& [id, points] : paths.objects)
        for (Vector3 v : points) consider(v);
    for (const auto& [h, points] : paths.cameras)
        for (const CameraPoint& c : points) consider(c.position);
    const Vector3 origin = scenario.player;
    auto top = [](Vector3 v) { return std::pair<double, double>(v.x, v.y); };
    auto side = [&](Vector3 v) {
        return std::pair<double, double>((v.x - origin.x) * along.x + (v.y - origin.y) * along.y, v.z);
    };

    std::ostringstream html;
    html << "<section class=\"run\">\n" << heading << "\n";
    html << "<p class=\"description\">" << escapeHtml(scenario.description) << "</p>\n";

    html << "<table class=\"figures\">";
    auto row = [&](const std::string& name, const std::string& value) {
        html << "<tr><th>" << escapeHtml(name) << "</th><td>" << value << "</td></tr>";
    };
    if (!facts.preview)
        row("Expectations", !facts.hasExpectations  ? "none"
                        : facts.failures.empty() ? "<span class=\"pass\">PASS</span>"
                                                 : "<span class=\"fail\">FAIL</span>");
    row("Run", escapeHtml(facts.runner));
    row("Passes", std::to_string(trace.rows.size()));
    row("Cameras made / destroyed", std::to_string(s.camerasMade) + " / " + std::to_string(s.camerasDestroyed));
    row("Passes followed / lingered", std::to_string(s.passesFollowed) + " / " + std::to_string(s.passesLingered));
    row("Lowest time scale", figure(s.lowestTimeScale, 6));
    row("Time scale at the end", figure(s.finalTimeScale, 6));
    std::string lives;
    for (const sim::CameraLife& life : trace.cameras)
        lives += escapeHtml(cameraLabel(trace, life.handle)) + ": passes " + std::to_string(life.created) + " to " +
                 (life.destroyed == -1 ? std::string("the end (still live)") : std::to_string(life.destroyed)) +
                 ", followed " + std::to_string(life.followed) + ", lingered " + std::to_string(life.lingered) + "<br>";
    row("Cameras", lives.empty() ? "none" : lives);
    if (!facts.failures.empty()) {
        std::string list;
        for (const std::string& f : facts.failures) list += escapeHtml(f) + "<br>";
        row("Failed expectations", list);
    }
    row("Plug-in output", facts.output.empty() ? "none" : "<pre>" + escapeHtml(facts.output) + "</pre>");
    if (!facts.preview) row("Settings file", scenario.ini ? "<pre>" + escapeHtml(*scenario.ini) + "</pre>" : "none (all defaults)");
    html << "</table>\n";

    html << "<h2>Top view</h2>\n"
         << spaceView(scenario, trace, paths, top, true, "x (m)", "y (m)", "topview", false) << '\n';
    html << "<h2>Side view</h2>\n"
         << spaceView(scenario, trace, paths, side, false, "horizontal distance from the player along the throw (m)",
                      "height z (m)", "sideview", true)
         << '\n';
    html << "<h2>Time scale</h2>\n<div class=\"readout\">Point at a chart to read a pass.</div>\n"
         << timeScaleChart(scenario, trace)
         << "<div class=\"legend\"><span><i class=\"sw\" style=\"background:#6a1b9a\"></i>time scale</span>"
            "<span><i class=\"sw\" style=\"background:#e3f2fd\"></i>scripted camera in view</span>"
            "<span><i class=\"sw\" style=\"background:#78909c\"></i>scenario event</span></div>\n";
    html << "<h2>Camera lives</h2>\n" << lifeBars(trace) << '\n';
    html << "<script type=\"application/json\" class=\"pass-data\">" << passData(trace) << "</script>\n";
    html << "</section>\n";
    return html.str();
}

std::string renderReport(const sim::Scenario& scenario, const Trace& trace, const ReportFacts& facts) {
    return "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\"><title>Veltrix scenario " +
           escapeHtml(scenario.name) + "</title><style>" + kStyle + "</style></head><body>\n" +
           renderRunSection(scenario, trace, facts, "<h1>Scenario " + escapeHtml(scenario.name) + "</h1>") +
           "<script>" + kScript + "</script>\n</body></html>\n";
}

std::string renderIndex(const std::string& title, const std::vector<IndexEntry>& entries) {
    std::ostringstream html;
    html << "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\"><title>" << escapeHtml(title)
         << "</title><style>" << kStyle << "</style></head><body>\n<h1>" << escapeHtml(title) << "</h1>\n";
    html << "<table class=\"figures\"><tr><th>Scenario</th><th>Expectations</th><th>What it shows</th></tr>";
    for (const IndexEntry& e : entries) {
        const char* css = e.result == "PASS" ? "pass" : (e.result == "FAIL" || e.result == "ERROR") ? "fail" : "";
        html << "<tr><td>";
        if (e.href.empty())
            html << escapeHtml(e.name);
        else
            html << "<a href=\"" << escapeHtml(e.href) << "\">" << escapeHtml(e.name) << "</a>";
        html << "</td><td class=\"" << css << "\">" << escapeHtml(e.result) << "</td><td>" << escapeHtml(e.description)
             << "</td></tr>";
    }
    html << "</table>\n</body></html>\n";
    return html.str();
}

}  // namespace tools
