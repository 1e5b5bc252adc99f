#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace sonaris::platform::ui {

// A compact JSON text built front to back. Keys and strings are escaped; numbers are written
// in their shortest round-trip form, and NaN or infinity (which JSON cannot hold) as null.
class JsonWriter {
  public:
    void beginObject();
    void endObject();
    void beginArray();
    void endArray();
    JsonWriter& key(std::string_view name);

    void string(std::string_view text);
    void number(double value);
    void boolean(bool value);
    void null();

    const std::string& text() const { return text_; }

  private:
    void separate();

    std::string text_;
    // One entry an open container: whether it has a member yet.
    std::vector<bool> hasMember_;
    bool afterKey_ = false;
};

}  // namespace sonaris::platform::ui
