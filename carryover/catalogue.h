#pragma once
// The carry-over catalogue as data: every statement the carry-over sends
// inside its transaction, in order, with its release, the database object that
// runs it, its option word and the value appended to it. The engine
// (carry_over_steps) is a loop over these tables.
#include <span>
#include <string>

#include "shell/release.h"

namespace vantyr::carryover {

inline constexpr int kNoOption = 0;

enum class Releases { Both, Only850, Only861 };

// Which database object runs the statement.
enum class Object { Prev, Cur };

// How the statement text is assembled.
enum class Form {
    Clear,          // text as it stands
    Copy,           // "insert into " + CurDbName + text
    IdentityCopy,   // identity batch: SET IDENTITY_INSERT on, the copy, off; CR LF between
    GetOption,      // call GetOption of the component (no statement)
    ChosenDrop,     // text when gOption is not 0, textWhenOptionZero when it is
    DropTable,      // "drop table " + CurDbName + text
    SelectInto,     // text (release's lead) + CurDbName + tail
    Literal,        // text as it stands (plus the appended value)
    DefaultLoop,    // for each column c of the previous year's table from firstColumn on: text + c + tail + c
    Key,            // text as it stands; runs with its failure ignored
};

// The value appended in decimal to the end of the text.
enum class Filter { None, Zero, AmoCt, EnMMC, EnMOM, EnMOP, PrevEndMonth, CurYear };

struct Entry {
    Form form;
    Releases releases = Releases::Both;
    const char* table = "";          // the table the statement works on
    Object object = Object::Cur;
    int option = kNoOption;          // kFailOnError (128) or kNoOption
    const char* text = "";           // release 8.50's text, or both releases'
    const char* text861 = nullptr;   // release 8.61's text where it differs
    const char* tail = nullptr;      // SelectInto, DefaultLoop: the piece after the name
    const char* identityOn = nullptr;
    const char* identityOff = nullptr;
    const char* textWhenOptionZero = nullptr;  // ChosenDrop
    Filter filter = Filter::None;
    int firstColumn = 0;             // DefaultLoop: zero-based position of the first column
    bool onlyOverwriting = false;    // sent only when the current year had state and the run goes on over it
};

bool takesPart(const Entry& entry, Release release);
// The entry's text for the release (text861 where given).
const char* textFor(const Entry& entry, Release release);
// True for the four copies that are not sent when their period value is below 0.
bool gatedByPeriod(Filter filter);

// The clear list, the copy list (with the table rebuilds and default loops in
// their places) and the post-copy reset with the keys, in execution order.
std::span<const Entry> clearList();
std::span<const Entry> copyList();
std::span<const Entry> resetList();

}  // namespace vantyr::carryover
