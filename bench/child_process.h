#pragma once

#include <functional>
#include <string>
#include <vector>

namespace dodu::bench {

// Runs each function in a process of its own, all at the same time, and gives back what each
// returned, in order. A library a child loads stays in that child, so every child is a till
// process of its own. Raises std::runtime_error when a child fails (its message is passed on).
std::vector<std::string> RunInChildren(const std::vector<std::function<std::string()>>& aWork);

}  // namespace dodu::bench
