#pragma once
// SQL Server's messages as the engine raises them: number, severity, usual state, text, and
// whether the error ends only its statement or the whole batch. Every error the engine makes
// of its own comes from this table, so a number always has the same text and the same effect.
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>

#include "tsqlite/error.h"

namespace tsqlite {

// What an error ends when no TRY block catches it (SQL Server's default, XACT_ABORT OFF).
enum class Ends { Statement, Batch };

// When "The statement has been terminated." follows the error.
enum class Terminates { Never, Always, WhenChangingRows };

struct Message {
    int number;
    int severity;
    int state;  // the state SQL Server raises it with most often
    Ends ends;
    // %1, %2... stand for the arguments, in order.
    std::string_view text;
    Terminates terminates = Terminates::Never;
    // A compile error: inside EXEC(...) or sp_executesql it ends only the dynamic batch.
    bool compile = false;
};

// Every message, by number: the wording SQL Server gives the number most often.
std::span<const Message> messages();

// Other wordings of a number, for the places that report it without all that the first
// wording names (a call with no parameter at all, a parameter name that is no name): the
// first other wording is 1. In order of number, then wording.
struct Variant {
    int wording;
    Message message;
};
std::span<const Variant> variants();
const Message* findVariant(int number, int wording);

// The message of a number, or null when the engine never raises that number itself.
const Message* findMessage(int number);

// A message's text with its arguments in place of %1, %2...
std::string formatMessage(std::string_view text, std::initializer_list<std::string_view> args);

// The error of a message, with its arguments; `line` is the batch line when known.
Error raise(int number, std::initializer_list<std::string_view> args = {}, int line = 0);

// The error of another wording of a number (see variants()).
Error raiseVariant(int number, int wording, std::initializer_list<std::string_view> args = {},
                   int line = 0);

// An error of a message's number in the engine's own words: for conditions SQL Server
// reports under that number but in terms of its own files or features.
Error raiseText(int number, std::string text, int line = 0);

}  // namespace tsqlite
