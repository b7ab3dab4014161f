#pragma once
// The diagnostic lines written to standard output. Tests capture them instead.

#include <string>
#include <vector>

namespace arquorel {

class Console {
  public:
    void writeLine(const std::string& line);

    // While capturing, lines are kept instead of printed.
    void startCapture();
    void stopCapture();
    bool capturing() const { return capturing_; }
    const std::vector<std::string>& lines() const { return lines_; }
    void clear() { lines_.clear(); }

  private:
    bool capturing_ = false;
    std::vector<std::string> lines_;
};

}  // namespace arquorel
