#include "json_format.h"

#include <cstdio>

namespace kclkinfo {

namespace {

std::string Quoted(const std::string& text) {
    std::string out = "\"";
    for (const char c : text) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (u < 0x20) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", u);
            out += escape;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

void Write(const Value& v, size_t indent, std::string& out) {
    switch (v.kind()) {
    case Value::Kind::Word:
    case Value::Kind::Integer:
        out += std::to_string(v.Number());
        return;
    case Value::Kind::Boolean:
        out += v.Number() ? "true" : "false";
        return;
    case Value::Kind::List: {
        // Lists of words stay on one line; lists of objects get a line each.
        const bool flat = v.Items().empty() || v.Items().front().IsScalar();
        const std::string inner(indent + 2, ' ');
        out += "[";
        for (size_t i = 0; i < v.Items().size(); ++i) {
            if (i) out += ",";
            if (flat) {
                if (i) out += " ";
            } else {
                out += "\n" + inner;
            }
            Write(v.Items()[i], indent + 2, out);
        }
        if (!flat) out += "\n" + std::string(indent, ' ');
        out += "]";
        return;
    }
    case Value::Kind::Object: {
        if (v.Fields().empty()) {
            out += "{}";
            return;
        }
        const std::string inner(indent + 2, ' ');
        out += "{";
        for (size_t i = 0; i < v.Fields().size(); ++i) {
            out += i ? ",\n" : "\n";
            out += inner + Quoted(v.Fields()[i].key) + ": ";
            Write(v.Fields()[i].value, indent + 2, out);
        }
        out += "\n" + std::string(indent, ' ') + "}";
        return;
    }
    }
}

}  // namespace

std::string FormatJson(const Report& report) {
    std::string out;
    Write(report.tree, 0, out);
    return out + "\n";
}

}  // namespace kclkinfo
