#pragma once
// sqlcmd scripting variables: $(name) references replaced by their values.
#include <map>
#include <string>
#include <vector>

namespace shell {

// Variable names are case-insensitive; this is the key they are stored under.
std::string variableKey(const std::string& name);

struct Substitution {
    std::string text;
    std::vector<std::string> undefined;  // names referenced but not defined, as written
};

// Replaces every $(name) in text by the value from vars, else from the environment (as
// sqlcmd does). A reference that is defined nowhere is left in place and reported.
Substitution substituteVariables(const std::string& text,
                                 const std::map<std::string, std::string>& vars);

}  // namespace shell
