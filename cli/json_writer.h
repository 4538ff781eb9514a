#pragma once
// A small writer of JSON documents, enough for the reports of orvex-cli.
#include <cstdint>
#include <string>
#include <vector>

namespace orvex::cli {

class JsonWriter {
public:
    void beginObject();
    void endObject();
    void beginArray();
    void endArray();
    /// The key of the next value inside an object.
    void key(const std::string& name);
    void value(const std::string& text);
    void value(const char* text) { value(std::string(text)); }
    void value(int64_t number);
    void value(int number) { value(static_cast<int64_t>(number)); }
    void value(unsigned number) { value(static_cast<int64_t>(number)); }
    /// Reals keep every digit; values that are not finite are written as null.
    void value(double number);
    void value(bool flag);
    /// A key with its value.
    template <class T>
    void field(const std::string& name, const T& v) {
        key(name);
        value(v);
    }
    /// A whole array of integers on one line.
    void integers(const std::vector<int64_t>& numbers);

    const std::string& text() const { return out_; }

    /// A JSON string literal of text: valid UTF-8 passes, other bytes are
    /// taken as Latin-1.
    static std::string quote(const std::string& text);

private:
    void separate();
    std::string out_;
    std::vector<bool> first_;  // per open container: nothing written in it yet
    bool afterKey_ = false;
};

}  // namespace orvex::cli
