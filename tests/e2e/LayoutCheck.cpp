#include "tests/e2e/LayoutCheck.h"

#include <cstdlib>
#include <map>
#include <set>

namespace ulv::test {

long Scaled(long length, int dpi) {
    return length < 0 ? -((-length * dpi + 48) / 96) : (length * dpi + 48) / 96;
}

namespace {

using Fields = std::map<std::string, std::string>;

// At most `limit` pieces: the last one keeps the separators of the rest (a caption may hold "|").
std::vector<std::string> Split(std::string_view text, char separator, size_t limit = 0) {
    std::vector<std::string> pieces;
    size_t start = 0, end;
    while ((limit == 0 || pieces.size() + 1 < limit) && (end = text.find(separator, start)) != text.npos) {
        pieces.emplace_back(text.substr(start, end - start));
        start = end + 1;
    }
    pieces.emplace_back(text.substr(start));
    return pieces;
}

std::string Trimmed(std::string_view text) {
    size_t first = text.find_first_not_of(" \t"), last = text.find_last_not_of(" \t");
    return first == text.npos ? "" : std::string(text.substr(first, last - first + 1));
}

std::string Lower(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

// The number a text starts with, 0 if none ("?" from a target that did not answer).
long Number(const std::string& text) {
    return std::strtol(text.c_str(), nullptr, 10);
}

bool IsNumber(const std::string& text) {
    char* end = nullptr;
    std::strtol(text.c_str(), &end, 10);
    return !text.empty() && *end == '\0';
}

std::string Joined(const std::vector<long>& numbers) {
    std::string text;
    for (long n : numbers)
        text += (text.empty() ? "" : ",") + std::to_string(n);
    return text;
}

// "KEY=VALUE" at the first "=".
std::pair<std::string, std::string> KeyValue(std::string_view item) {
    size_t equals = item.find('=');
    if (equals == item.npos) return {std::string(item), ""};
    return {std::string(item.substr(0, equals)), std::string(item.substr(equals + 1))};
}

std::vector<std::string> Lines(std::string_view text) {
    std::vector<std::string> lines = Split(text, '\n');
    for (auto& line : lines)
        if (!line.empty() && line.back() == '\r') line.pop_back();
    return lines;
}

struct Dump {
    Fields Window;
    std::map<std::string, Fields> Controls;
    std::vector<std::string> Order;
};

Dump ReadDump(std::string_view text) {
    Dump dump;
    for (const auto& line : Lines(text)) {
        std::vector<std::string> fields = Split(line, '\t');
        Fields* target = nullptr;
        if (fields[0] == "window") target = &dump.Window;
        if (fields[0] == "ctl" && fields.size() > 1) {
            std::string id = KeyValue(fields[1]).second;
            dump.Order.push_back(id);
            target = &dump.Controls[id];
        }
        for (size_t i = 1; target && i < fields.size(); ++i)
            target->insert_or_assign(KeyValue(fields[i]).first, KeyValue(fields[i]).second);
    }
    return dump;
}

// A row of the layout, its columns in order.
struct Row {
    std::string Name, Id, Class, Parent, Left, Top, Width, Height, Shown, Kind, State, Font, Caption;
};

Row ReadRow(const std::string& line) {
    std::vector<std::string> f = Split(line, '|', 13);
    f.resize(13);
    for (auto& field : f)
        field = Trimmed(field);
    return {f[0], f[1], f[2], f[3], f[4], f[5], f[6], f[7], f[8], f[9], f[10], f[11], f[12]};
}

std::string Caption(const std::string& text) {
    return text == "\"\"" ? "" : text;
}

class Comparison {
public:
    Comparison(Dump dump, const LayoutRun& run) : dump_(std::move(dump)), run_(run) {}

    void Line(const std::string& line) {
        std::string text = Trimmed(line);
        if (text.empty() || text[0] == '#') return;
        Row row = ReadRow(line);
        if (auto id = run_.Ids.find(row.Name); id != run_.Ids.end()) row.Id = id->second;
        if (row.Name == "window")
            CheckWindow(row);
        else if (row.Name == "page0")
            CheckPage0(Split(line, '|', 4));
        else
            CheckControl(row);
    }

    std::vector<std::string> Finish() {
        const auto& order = dump_.Order;
        for (size_t i = 1; i < order.size(); ++i)
            if (Number(order[i]) < Number(order[i - 1]))
                Differ("control id " + order[i], "z-order", "below the controls of lower ids",
                       "below id " + order[i - 1]);
        for (const auto& id : order)
            if (checked_.insert(id).second)
                Differ("control id " + id, "window", "none",
                       "class " + Got(id, "class") + " text " + Got(id, "text"));
        return differences_;
    }

private:
    // Where a control of the layout is, in window pixels at the run's resolution.
    struct Placed {
        std::string Id, Parent;
        int Depth = 0;
        long Left = 0, Top = 0;
        bool Windowless = false;
    };

    const Placed& PlaceOf(const std::string& name) const {
        static const Placed kForm;
        auto hit = placed_.find(name);
        return hit == placed_.end() ? kForm : hit->second;
    }

    // The nearest ancestor with a window, whose window holds this control's: "form" for the window itself.
    std::string WindowedAncestor(const std::string& name) const {
        std::string ancestor = PlaceOf(name).Parent;
        while (ancestor != "form" && PlaceOf(ancestor).Windowless)
            ancestor = PlaceOf(ancestor).Parent;
        return ancestor;
    }

    std::string Got(const std::string& id, const std::string& key) const {
        auto control = dump_.Controls.find(id);
        if (control == dump_.Controls.end()) return "";
        auto hit = control->second.find(key);
        return hit == control->second.end() ? "" : hit->second;
    }

    std::string WindowGot(const std::string& key) const {
        auto hit = dump_.Window.find(key);
        return hit == dump_.Window.end() ? "" : hit->second;
    }

    long Scale(const std::string& length) const { return Scaled(Number(length), run_.Dpi); }

    void Differ(const std::string& what, const std::string& field, const std::string& want,
                const std::string& got) {
        auto shown = [](const std::string& text) { return text.empty() ? std::string("\"\"") : text; };
        differences_.push_back(what + " " + field + ": expected " + shown(want) + ", got " + shown(got));
    }

    void Expect(const std::string& what, const std::string& field, const std::string& want,
                const std::string& got) {
        if (want != got) Differ(what, field, want, got);
    }

    // Each number within `tolerance` of the wanted one; else how far each is off.
    void ExpectNear(const std::string& what, const std::string& field, const std::vector<long>& want,
                    const std::string& got, long tolerance) {
        std::vector<std::string> parts = Split(got, ',');
        bool inside = true, measured = parts.size() == want.size();
        std::string off;
        for (size_t i = 0; i < want.size(); ++i) {
            std::string part = i < parts.size() ? parts[i] : "";
            long delta = Number(part) - want[i];
            inside = inside && !part.empty() && delta <= tolerance && -delta <= tolerance;
            measured = measured && IsNumber(part);
            off += (i ? "," : "") + std::string(delta > 0 ? "+" : "") + std::to_string(delta);
        }
        if (inside) return;
        if (measured) off = " (off by " + off + "; tolerance " + std::to_string(tolerance) + ")";
        Differ(what, field, Joined(want), got + (measured ? off : ""));
    }

    void CheckWindow(const Row& row) {
        Expect("window", "class", Lower(row.Class), Lower(WindowGot("class")));
        Expect("window", "kind", row.Kind, WindowGot("kind"));
        Expect("window", "dpi", std::to_string(run_.ReportedDpi), WindowGot("dpi"));
        ExpectNear("window", "client", {Scale(row.Width), Scale(row.Height)}, WindowGot("client"),
                   run_.Tolerance);
        Expect("window", "caption", Caption(row.Caption), WindowGot("text"));
        // A window told of a new resolution stays where the system suggested, not centred again.
        if (run_.ReportedDpi != run_.Dpi) return;
        std::vector<std::string> rect = Split(WindowGot("rect"), ','),
                                 screen = Split(WindowGot("screen"), ',');
        rect.resize(4), screen.resize(2);
        std::vector<long> centred = {(Number(screen[0]) - Number(rect[2])) / 2,
                                     (Number(screen[1]) - Number(rect[3])) / 2};
        ExpectNear("window", "place on the " + WindowGot("screen") + " screen", centred,
                   rect[0] + "," + rect[1], 1);
    }

    void CheckControl(const Row& row) {
        const Placed& parent = PlaceOf(row.Parent);
        Placed& placed = placed_[row.Name];
        placed = {row.Id,
                  row.Parent,
                  parent.Depth + 1,
                  parent.Left + Scale(row.Left),
                  parent.Top + Scale(row.Top),
                  row.Class == "-"};
        std::string what = row.Name + " (id " + row.Id + ")";
        bool hasWindow = dump_.Controls.count(row.Id) > 0;
        // A control without a window is drawn by its nearest windowed ancestor.
        if (placed.Windowless) {
            if (hasWindow)
                Differ(what, "window", "none (drawn by its parent)", "class " + Got(row.Id, "class"));
            checked_.insert(row.Id);
            return;
        }
        if (!hasWindow) return Differ(what, "window", "a control", "none");
        checked_.insert(row.Id);
        CheckControlWindow(row, placed, what);
        if (row.Shown != "*")
            Expect(what, "visible", row.Shown == "all" || row.Shown == std::to_string(run_.Sheet) ? "1" : "0",
                   Got(row.Id, "visible"));
        ExpectKind(what, row.Kind, Got(row.Id, "kind"), row.Caption);
        ExpectFacts(what, row.Id, row.State);
        ExpectFont(what, row.Font, Got(row.Id, "font"));
        if (row.Caption != "*") Expect(what, "caption", Caption(row.Caption), Got(row.Id, "text"));
    }

    // Class, parent window, and place: in the parent window's client area and in the window's, each length
    // within the tolerance once per nesting level between.
    void CheckControlWindow(const Row& row, const Placed& placed, const std::string& what) {
        std::string ancestor = WindowedAncestor(row.Name);
        const Placed& windowed = PlaceOf(ancestor);
        Expect(what, "class", Lower(row.Class), Lower(Got(row.Id, "class")));
        Expect(what, "parent window", ancestor == "form" ? "0" : windowed.Id, Got(row.Id, "parent"));
        std::vector<std::string> extent = Split(Got(row.Id, "extent"), ',');
        extent.resize(2);
        bool autoSized = row.Width == "auto" || row.Height == "auto";
        if (autoSized && Got(row.Id, "extent") == "?") Differ(what, "caption extent", "measured", "?");
        long width = row.Width == "auto" ? Number(extent[0]) + Scaled(4, run_.Dpi) : Scale(row.Width);
        long height = row.Height == "auto" ? Number(extent[1]) + Scaled(4, run_.Dpi) : Scale(row.Height);
        // "NN+": a wrapped label at least NN high, taller when its font needs more lines for the caption.
        if (!row.Height.empty() && row.Height.back() == '+') {
            std::vector<std::string> rect = Split(Got(row.Id, "rect"), ',');
            rect.resize(4);
            if (Number(rect[3]) >= height - run_.Tolerance) height = Number(rect[3]);
        }
        ExpectNear(what, "rect", {placed.Left - windowed.Left, placed.Top - windowed.Top, width, height},
                   Got(row.Id, "rect"), long{run_.Tolerance} * (placed.Depth - windowed.Depth));
        ExpectNear(what, "place in the window", {placed.Left, placed.Top, width, height}, Got(row.Id, "form"),
                   long{run_.Tolerance} * placed.Depth);
    }

    void ExpectKind(const std::string& what, const std::string& want, std::string got,
                    const std::string& text) {
        if (want == "-") return;
        // Without an accelerator in the caption, SS_NOPREFIX changes nothing.
        size_t noprefix = got.find("+noprefix");
        if (text.find('&') == text.npos && noprefix != got.npos) got.erase(noprefix, 9);
        for (const auto& alternative : Split(want, '/'))
            if (alternative == got) return;
        Differ(what, "kind", want, got);
    }

    void ExpectFacts(const std::string& what, const std::string& id, const std::string& facts) {
        if (facts == "-") return;
        for (const auto& fact : Split(facts, ' ')) {
            if (fact.empty()) continue;
            auto [key, value] = KeyValue(fact);
            if (key == "item")
                ExpectNear(what, key, {Scale(value)}, Got(id, key), run_.Tolerance);
            else
                Expect(what, key, value, Got(id, key));
        }
    }

    void ExpectFont(const std::string& what, const std::string& want, const std::string& got) {
        if (want == "-") return;
        std::vector<std::string> w = Split(want, ','), g = Split(got, ',');
        w.resize(3), g.resize(3);
        long height = Scale(w[1]), delta = Number(g[1]) - height;
        if (g[0] != w[0] || g[1].empty() || delta > run_.Tolerance || -delta > run_.Tolerance || g[2] != w[2])
            Differ(what, "font", w[0] + "," + std::to_string(height) + "," + w[2], got);
    }

    // "page0 | name | facts | caption": what the window's construction sets, seen while sheet 0 is active.
    void CheckPage0(std::vector<std::string> f) {
        if (run_.Sheet != 0) return;
        f.resize(4);
        std::string name = Trimmed(f[1]), facts = Trimmed(f[2]), caption = Trimmed(f[3]);
        std::string id = PlaceOf(name).Id, what = name + " (id " + id + ") on page 0";
        ExpectFacts(what, id, facts);
        if (caption != "*") Expect(what, "caption", Caption(caption), Got(id, "text"));
    }

    Dump dump_;
    LayoutRun run_;
    std::map<std::string, Placed> placed_;
    std::set<std::string> checked_;
    std::vector<std::string> differences_;
};

} // namespace

std::vector<std::string> CompareLayout(std::string_view layout, std::string_view dump, const LayoutRun& run) {
    Comparison comparison(ReadDump(dump), run);
    for (const auto& line : Lines(layout))
        comparison.Line(line);
    return comparison.Finish();
}

} // namespace ulv::test
