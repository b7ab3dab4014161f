#pragma once
// The rule every screen keeps for people who use a screen reader: each view a person can tap
// is reachable as an element (the view itself, an element around it, or one inside it) with a
// label, no element reads empty, and no two elements read the same unless they stand for the
// same thing (the same place on two cards).

#include <string>
#include <vector>

namespace arquorel {
class Window;
}

namespace arquorel::sim {

// What breaks the rule on the window's screen now, one line a problem naming the view; empty
// when nothing does. A tappable view counts when a tap at its centre reaches it (or a view
// inside it): views out of sight or under others are not asked for.
std::vector<std::string> accessibilityProblems(Window& window);

}  // namespace arquorel::sim
