// The report as a tree of named values in the order the library was asked: what the collector
// builds and the two formatters print. Words are the firmware's 16-bit answers, passed through.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kclkinfo {

struct Field;

class Value {
public:
    enum class Kind { Word, Integer, Boolean, Object, List };

    static Value Word(uint16_t word) { return Value(Kind::Word, word); }
    static Value Integer(int32_t number) { return Value(Kind::Integer, number); }
    static Value Boolean(bool yes) { return Value(Kind::Boolean, yes ? 1 : 0); }
    static Value Object() { return Value(Kind::Object, 0); }
    static Value List() { return Value(Kind::List, 0); }

    // Object: appends a field. List: appends an item. Both return *this for chaining.
    Value& Add(std::string key, Value value);
    Value& Append(Value item);

    Kind kind() const { return kind_; }
    bool IsScalar() const { return kind_ != Kind::Object && kind_ != Kind::List; }
    int32_t Number() const { return number_; }
    const std::vector<Field>& Fields() const { return fields_; }
    const std::vector<Value>& Items() const { return items_; }
    // The field of that name, or nullptr.
    const Value* Find(const std::string& key) const;

private:
    Value(Kind kind, int32_t number) : kind_(kind), number_(number) {}

    Kind kind_;
    int32_t number_;
    std::vector<Field> fields_;
    std::vector<Value> items_;
};

struct Field {
    std::string key;
    Value value;
};

}  // namespace kclkinfo
