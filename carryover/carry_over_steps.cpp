#include "carryover/carry_over_steps.h"

#include "carryover/policy.h"
#include "platform/database.h"
#include "platform/error.h"

namespace vantyr::carryover {
namespace {

std::optional<int> optionWord(const Entry& entry) {
    return entry.option == kNoOption ? std::nullopt : std::optional<int>(entry.option);
}

int appendedValue(Filter filter, const RunContext& c) {
    switch (filter) {
        case Filter::None: return -1;
        case Filter::Zero: return 0;
        case Filter::AmoCt: return c.periods.amoCt;
        case Filter::EnMMC: return c.periods.enMMC;
        case Filter::EnMOM: return c.periods.enMOM;
        case Filter::EnMOP: return c.periods.enMOP;
        case Filter::PrevEndMonth: return c.periods.prevEndMonth;
        case Filter::CurYear: return c.curYear;
    }
    return -1;
}

// The database object that runs the entry; raises "object not set" when the
// run could not create it (the outcome handler then ends the run).
platform::Database* objectOf(const Entry& entry, const RunContext& c) {
    return entry.object == Object::Prev ? c.prev : c.cur;
}

platform::Database& required(platform::Database* db) {
    if (!db) throw platform::Error::objectNotSet();
    return *db;
}

Step executeStep(const Entry& entry, const RunContext& c) {
    std::string text = composeText(entry, c);
    platform::Database* db = objectOf(entry, c);
    std::optional<int> option = optionWord(entry);
    bool ignoreFailure = entry.form == Form::Key;
    return {entry.table, [db, text, option, ignoreFailure](Policy& policy) {
                auto send = [&] { required(db).Execute(text, option); };
                if (ignoreFailure) policy.ignoring(send);
                else policy.guarded(send);
            }};
}

Step getOptionStep(const Entry& entry, const RunContext& c) {
    return {entry.table, [getOption = c.getOption](Policy& policy) { policy.guarded(getOption); }};
}

Step chosenDropStep(const Entry& entry, const RunContext& c) {
    platform::Database* db = objectOf(entry, c);
    std::optional<int> option = optionWord(entry);
    return {entry.table, [db, option, option_ = c.currentOption, &entry](Policy& policy) {
                policy.guarded([&] {
                    const char* text = option_() != 0 ? entry.text : entry.textWhenOptionZero;
                    required(db).Execute(text, option);
                });
            }};
}

// One statement per column of the previous year's table, from firstColumn on;
// a column whose statement is passed over does not stop the others.
Step defaultLoopStep(const Entry& entry, const RunContext& c) {
    platform::Database* prev = c.prev;
    platform::Database* db = objectOf(entry, c);
    std::optional<int> option = optionWord(entry);
    return {entry.table, [prev, db, option, &entry](Policy& policy) {
                platform::TableDefinition definition;
                policy.guarded([&] { definition = required(prev).Tables()->Item(entry.table); });
                for (int i = entry.firstColumn; i < definition.FieldCount(); ++i) {
                    const std::string& column = definition.FieldName(i);
                    std::string text = entry.text + column + entry.tail + column;
                    policy.guarded([&] { required(db).Execute(text, option); });
                }
            }};
}

Step makeStep(const Entry& entry, const RunContext& c) {
    switch (entry.form) {
        case Form::GetOption: return getOptionStep(entry, c);
        case Form::ChosenDrop: return chosenDropStep(entry, c);
        case Form::DefaultLoop: return defaultLoopStep(entry, c);
        default: return executeStep(entry, c);
    }
}

bool sentThisRun(const Entry& entry, const RunContext& c) {
    if (!takesPart(entry, c.release)) return false;
    if (entry.onlyOverwriting && !c.overwriting) return false;
    return !gatedByPeriod(entry.filter) || appendedValue(entry.filter, c) >= 0;
}

}  // namespace

std::string composeText(const Entry& entry, const RunContext& c) {
    const std::string text = textFor(entry, c.release);
    std::string result;
    switch (entry.form) {
        case Form::Copy: result = "insert into " + c.curDbName + text; break;
        case Form::IdentityCopy:
            result = "SET IDENTITY_INSERT " + c.curDbName + entry.identityOn + "\r\n" + "insert into " +
                     c.curDbName + text + "\r\n" + "SET IDENTITY_INSERT " + c.curDbName + entry.identityOff;
            break;
        case Form::DropTable: result = "drop table " + c.curDbName + text; break;
        case Form::SelectInto: result = text + c.curDbName + entry.tail; break;
        default: result = text; break;
    }
    int value = appendedValue(entry.filter, c);
    if (entry.filter != Filter::None) result += std::to_string(value);
    return result;
}

std::vector<Step> carryOverSteps(const RunContext& context) {
    std::vector<Step> steps;
    for (auto list : {clearList(), copyList(), resetList()}) {
        for (const Entry& entry : list) {
            if (sentThisRun(entry, context)) steps.push_back(makeStep(entry, context));
        }
    }
    return steps;
}

}  // namespace vantyr::carryover
