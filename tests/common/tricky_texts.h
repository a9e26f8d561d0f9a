#pragma once
// Statement texts that every reader of T-SQL text has to read alike (the engine's lexer, the
// client's :name parameters and script runner, the statement texts' runner split), with what
// SQL Server makes of them. The engine's tests and the client's tests both run them, each
// through its own readers.
#include <string>
#include <vector>

namespace tricky {

struct Text {
    const char* name;
    std::string script;                                // as a runner script
    std::vector<std::string> statements;               // the statements the runner sends
    std::vector<std::vector<std::string>> parameters;  // per statement, each name once
};

inline const std::vector<Text>& texts() {
    static const std::vector<Text> all = {
        {"SemicolonsAndColonsInsideStringsAndNames",
         "Select 'a;b:c' As s, [x:y;z] = 1, \"p:q;r\" = 2 From T Where A = :A;",
         {"Select 'a;b:c' As s, [x:y;z] = 1, \"p:q;r\" = 2 From T Where A = :A"},
         {{"A"}}},
        {"NestedBlockCommentHidesItsSemicolonAndParameter",
         "Select 1 /* outer /* inner */ :Hidden; still hidden */ + :Shown",
         {"Select 1 /* outer /* inner */ :Hidden; still hidden */ + :Shown"},
         {{"Shown"}}},
        {"SlashLineInsideAStringIsText",
         "Insert T Values ('it''s\n/\nstill text')\n/\nSelect :ชื่อ, :1st, :a::b",
         {"Insert T Values ('it''s\n/\nstill text')", "Select :ชื่อ, :1st, :a::b"},
         {{}, {"ชื่อ", "1st", "a"}}},
        {"SlashLineInsideACommentIsComment",
         "/* a\n/\n*/ Select 1 -- ; :NotOne\n/\nSelect [a]]:b;] From [T;]",
         {"/* a\n/\n*/ Select 1 -- ; :NotOne", "Select [a]]:b;] From [T;]"},
         {{}, {}}},
        {"LineBreaksOfEveryKindAndBlanksAroundTheSlash",
         "Select :One\r\n  /  \r\nSelect :Two\rSelect 3; Select :Three;",
         {"Select :One", "Select :Two\nSelect 3", "Select :Three;"},
         {{"One"}, {"Two"}, {"Three"}}},
        {"RepeatedNamesInAnyCaseAreOneParameter",
         "Update T Set A = :Qty Where B = :QTY Or C = :qty Or D = :Other",
         {"Update T Set A = :Qty Where B = :QTY Or C = :qty Or D = :Other"},
         {{"Qty", "Other"}}},
    };
    return all;
}

}  // namespace tricky
