#include "text_format.h"

#include <cstdio>

namespace kclkinfo {

namespace {

constexpr size_t kWordsPerRow = 4;

std::string Scalar(const Value& v) {
    char text[32];
    switch (v.kind()) {
    case Value::Kind::Word:
        std::snprintf(text, sizeof text, "0x%04X (%u)", static_cast<unsigned>(v.Number()),
                      static_cast<unsigned>(v.Number()));
        return text;
    case Value::Kind::Integer:
        std::snprintf(text, sizeof text, "%ld", static_cast<long>(v.Number()));
        return text;
    case Value::Kind::Boolean:
        return v.Number() ? "yes" : "no";
    default:
        return "";
    }
}

std::string Padded(const std::string& text, size_t width) {
    return text.size() >= width ? text : text + std::string(width - text.size(), ' ');
}

bool AllScalars(const Value& object) {
    for (const Field& f : object.Fields())
        if (!f.value.IsScalar()) return false;
    return true;
}

// "status 0x0000 (0)  value 0x3415 (13333)"
std::string Inline(const Value& object) {
    std::string line;
    for (const Field& f : object.Fields()) {
        if (!line.empty()) line += "  ";
        line += f.key + " " + Scalar(f.value);
    }
    return line;
}

void Body(const Value& object, size_t indent, std::string& out);

void Entry(const std::string& key, const Value& v, size_t width, size_t indent, std::string& out) {
    const std::string margin(indent, ' ');
    if (v.IsScalar()) {
        out += margin + Padded(key, width) + "  " + Scalar(v) + "\n";
    } else if (v.kind() == Value::Kind::Object) {
        if (AllScalars(v) && v.Fields().size() <= 4) {
            out += margin + Padded(key, width) + "  " + Inline(v) + "\n";
        } else {
            out += margin + key + ":\n";
            Body(v, indent + 2, out);
        }
    } else if (v.Items().empty()) {
        out += margin + Padded(key, width) + "  (none)\n";
    } else if (v.Items().front().IsScalar()) {
        out += margin + key + ":\n";
        const auto& items = v.Items();
        for (size_t i = 0; i < items.size(); i += kWordsPerRow) {
            std::string row = margin + "  ";
            for (size_t j = i; j < items.size() && j < i + kWordsPerRow; ++j) {
                char index[16];
                std::snprintf(index, sizeof index, "[%2u] ", static_cast<unsigned>(j));
                row += index + Padded(Scalar(items[j]), 16);
            }
            while (!row.empty() && row.back() == ' ') row.pop_back();
            out += row + "\n";
        }
    } else {
        const auto& items = v.Items();
        for (size_t i = 0; i < items.size(); ++i)
            Entry(key + "[" + std::to_string(i) + "]", items[i], width, indent, out);
    }
}

void Body(const Value& object, size_t indent, std::string& out) {
    size_t width = 0;
    for (const Field& f : object.Fields()) {
        const size_t extra = f.value.kind() == Value::Kind::List ? 3 : 0;  // room for "[n]"
        if (f.key.size() + extra > width) width = f.key.size() + extra;
    }
    for (const Field& f : object.Fields()) Entry(f.key, f.value, width, indent, out);
}

}  // namespace

std::string FormatText(const Report& report) {
    if (!report.available) {
        return "kclkinfo: the tuning interface is not available (Check_KRVer returned " +
               std::to_string(report.krVersion) + ")\n";
    }
    std::string out = "Tuning interface available (Check_KRVer returned " +
                      std::to_string(report.krVersion) + ")\n";
    for (const Field& section : report.tree.Fields()) {
        if (section.value.IsScalar()) continue;  // the header says it
        out += "\n" + section.key + "\n";
        Body(section.value, 2, out);
    }
    return out;
}

}  // namespace kclkinfo
