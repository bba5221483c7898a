#include "report_tree.h"

#include <utility>

namespace kclkinfo {

Value& Value::Add(std::string key, Value value) {
    fields_.push_back(Field{std::move(key), std::move(value)});
    return *this;
}

Value& Value::Append(Value item) {
    items_.push_back(std::move(item));
    return *this;
}

const Value* Value::Find(const std::string& key) const {
    for (const Field& f : fields_)
        if (f.key == key) return &f.value;
    return nullptr;
}

}  // namespace kclkinfo
