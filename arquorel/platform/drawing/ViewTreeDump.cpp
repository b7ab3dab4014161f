#include "arquorel/platform/drawing/ViewTreeDump.h"

#include <cxxabi.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <typeinfo>

#include "arquorel/platform/ui/View.h"

namespace arquorel {

namespace {

std::string fixed(double v, int decimals) {
    if (std::isnan(v)) return "nan";
    if (std::isinf(v)) return v > 0 ? "inf" : "-inf";
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*f", decimals, v);
    std::string s = buffer;
    // "-0.0" and "0.0" are the same position.
    if (s.front() == '-' && s.find_first_not_of("-0.") == std::string::npos) s.erase(0, 1);
    return s;
}

// "[i] ", the label of a view without an identifier.
std::string indexLabel(std::size_t i) {
    std::string label = "[";
    label += std::to_string(i);
    label += "] ";
    return label;
}

std::string quoted(const std::string& text) {
    std::string out = "\"";
    for (char ch : text) {
        switch (ch) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\t':
                out += "\\t";
                break;
            case '\r':
                out += "\\r";
                break;
            default:
                // Other control characters (a NUL in a place's name ends the text for a C
                // reader of the dump) are written as \xNN.
                if (static_cast<unsigned char>(ch) < 0x20 || ch == 0x7f) {
                    char escaped[5];
                    std::snprintf(escaped, sizeof escaped, "\\x%02x",
                                  static_cast<unsigned char>(ch));
                    out += escaped;
                } else {
                    out += ch;
                }
        }
    }
    return out + "\"";
}

void dump(const View& view, const std::string& label, int depth, std::string& out) {
    out.append(static_cast<std::size_t>(depth) * 2, ' ');
    out += view.identifier().empty() ? label + viewClassName(view)
                                     : viewClassName(view) + " #" + view.identifier();
    const Rect& f = view.frame();
    out += " (" + fixed(f.x(), 1) + ", " + fixed(f.y(), 1) + ", " + fixed(f.width(), 1) + ", " +
           fixed(f.height(), 1) + ")";
    if (view.alpha() != 1) out += " alpha=" + fixed(view.alpha(), 2);
    if (view.isHidden()) out += " hidden";
    const Transform& t = view.transform();
    if (!t.isIdentity()) {
        out += " transform=[" + fixed(t.a, 3) + " " + fixed(t.b, 3) + " " + fixed(t.c, 3) + " " +
               fixed(t.d, 3) + " " + fixed(t.tx, 1) + " " + fixed(t.ty, 1) + "]";
    }
    if (!view.isUserInteractionEnabled()) out += " noTouch";
    for (const auto& [key, value] : view.descriptionEntries())
        out += " " + key + "=" + quoted(value);
    out += '\n';
    const auto& children = view.subviews();
    for (std::size_t i = 0; i < children.size(); ++i)
        dump(*children[i], indexLabel(i), depth + 1, out);
}

}  // namespace

std::string viewClassName(const View& view) {
    const char* mangled = typeid(view).name();
    int status = 0;
    char* demangled = abi::__cxa_demangle(mangled, nullptr, nullptr, &status);
    std::string name = status == 0 && demangled ? demangled : mangled;
    std::free(demangled);
    // Drop namespaces and enclosing classes: the text after the last "::" outside brackets.
    int depth = 0;
    std::size_t start = 0;
    for (std::size_t i = 0; i < name.size(); ++i) {
        const char ch = name[i];
        if (ch == '<' || ch == '(') ++depth;
        if (ch == '>' || ch == ')') --depth;
        if (depth == 0 && ch == ':' && i + 1 < name.size() && name[i + 1] == ':') start = i + 2;
    }
    return name.substr(start);
}

std::string dumpViewTree(const std::vector<std::shared_ptr<View>>& roots) {
    std::string out;
    for (std::size_t i = 0; i < roots.size(); ++i)
        if (roots[i]) dump(*roots[i], roots.size() > 1 ? indexLabel(i) : std::string(), 0, out);
    return out;
}

std::string dumpViewTree(const View& root) {
    std::string out;
    dump(root, "", 0, out);
    return out;
}

}  // namespace arquorel
