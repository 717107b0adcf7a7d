#include "shell/endyear.h"

#include <string>

#include "carryover/carry_over_steps.h"
#include "carryover/period_values.h"
#include "platform/error.h"
#include "shell/login_context.h"
#include "shell/messages.h"
#include "shell/options.h"
#include "shell/preconditions.h"
#include "shell/run_policy.h"
#include "upgrade/upgrade_ca_schema.h"

namespace vantyr::shell {

using platform::Error;
using platform::RunEnd;
using platform::Value;

// One run of subYearend: the values it derives and the order of its steps.
class endyear::Run {
public:
    explicit Run(endyear& owner)
        : self_(owner), policy_(*owner.observer_), messenger_(owner.release_, owner.platform_) {}

    // Tolerant mode raises only a storage failure: it ends the run before the
    // transaction (RunEnd::NotOpened while the files are being opened, nothing
    // written yet; RunEnd::RolledBack after).
    bool execute() {
        bool result = false;                             // 8.61's result
        try {
            if (openDatabases() == Verdict::Stop) return stopped(result);
        } catch (const Error& e) {
            return endedByStorage(e, RunEnd::NotOpened);
        }
        try {
            PreconditionContext pc{self_.release_, policy_, messenger_,
                                   [this] { return previousYearNumber(self_.login()); }};
            if (checkPreviousYear(pc, self_.PrevYearDb_.get(), periods_.prevEndMonth) == Verdict::Stop ||
                confirmOverwrite(pc, self_.CurYearDb_.get(), overwriting_) == Verdict::Stop) {
                return stopped(result);
            }
            if (self_.PrevYearDb_) carryover::readClosingPeriods(*self_.PrevYearDb_, policy_, periods_);
            if (self_.release_ == Release::V850 && self_.CurYearDb_) upgradeSchema();
        } catch (const Error& e) {
            return endedByStorage(e, RunEnd::RolledBack);
        }
        bool committed = runTransaction();               // the handler is armed from here
        result = handleOutcome(committed);
        closeDatabases();
        return result;
    }

private:
    // Both existence tests and opens; the names of the current year.
    Verdict openDatabases() {
        if (openYear(previousYearKey, MessageId::PrevYearMissing, self_.PrevYearDb_, "PrevYearDb") == Verdict::Stop ||
            openYear(currentYearKey, MessageId::CurYearMissing, self_.CurYearDb_, "CurYearDb") == Verdict::Stop) {
            return Verdict::Stop;
        }
        policy_.ignoring([&] { curDbName_ = currentDatabaseName(self_.login()); });
        policy_.ignoring([&] { curYear_ = currentYear(self_.login()); });
        return Verdict::Go;
    }

    // Builds a key, asks whether its database exists (the login object may
    // rewrite the key it is given) and opens a new database object with it.
    Verdict openYear(std::string (*buildKey)(platform::LoginObject&), MessageId missing,
                     std::unique_ptr<platform::Database>& slot, const char* name) {
        Value key;
        policy_.ignoring([&] { key = buildKey(self_.login()); });
        if (!policy_.test([&] { return self_.login().LoginQuery(platform::kQueryDatabaseExists, key); })) {
            policy_.ignoring([&] { messenger_.show(missing); });
            return Verdict::Stop;
        }
        policy_.ignoring([&] { slot = self_.createDatabase(name); });  // tolerant, like every step before the handler
        policy_.ignoring([&] { if (slot) slot->Open(key.toText()); });
        return Verdict::Go;
    }

    void upgradeSchema() {
        std::shared_ptr<platform::AdoConnection> connection;
        policy_.ignoring([&] { connection = self_.CurYearDb_->UnderlyingConnection(); });
        // The upgrade's own connection and recordsets report as object "Upgrade".
        auto ado = platform::observeAdo(self_.platform_, "Upgrade", *self_.observer_, self_.mode_);
        policy_.ignoring([&] { upgrade::UpgradeCaSchema(*ado, connection); });
    }

    // From the arming of the handler to the commit. False when an error ended
    // the run; failure_ then holds it.
    bool runTransaction() {
        carryover::adjustPrevEndMonth(periods_);
        std::unique_ptr<platform::TransactionEngine> engine;
        try {
            engine = platform::observeTransactions(self_.platform_.ThreadTransactionEngine(), *self_.observer_,
                                                   self_.mode_);
            engine->BeginTrans();  // never passed over: a run without its transaction must not go on
            auto steps = carryover::carryOverSteps(context());
            int index = 0;
            for (const auto& step : steps) {
                self_.observer_->Step(++index, static_cast<int>(steps.size()), step.table);
                step.run(policy_);
            }
            engine->CommitTrans();  // never passed over: a commit that failed saved nothing
            return true;
        } catch (const Error& e) {
            failure_ = e;
        } catch (const std::exception& e) {  // not the platform's: ends the run like any other error
            failure_ = Error(platform::kErrInternal, e.what());
        }
        self_.observer_->RunFailed(*failure_);
        engine_ = std::move(engine);
        return false;
    }

    carryover::RunContext context() {
        carryover::RunContext c;
        c.release = self_.release_;
        c.prev = self_.PrevYearDb_.get();
        c.cur = self_.CurYearDb_.get();
        c.curDbName = curDbName_;
        c.curYear = curYear_;
        c.periods = periods_;
        c.overwriting = overwriting_;
        c.getOption = [this] { self_.GetOption(); };
        c.currentOption = [this] { return self_.gOption_; };
        return c;
    }

    // The one closing message; a failure while showing it is raised to the caller.
    bool handleOutcome(bool committed) {
        if (committed) {
            self_.observer_->Finished(RunEnd::Committed);
            messenger_.show(MessageId::Completed);
            return true;
        }
        rollback();
        self_.observer_->Finished(RunEnd::RolledBack);
        if (failure_->number() == platform::kErrRelatedRecords) messenger_.show(MessageId::CurYearHasData);
        else messenger_.showError(failure_->description());
        return false;
    }

    // A rollback that fails is said in the closing message; the file's journal
    // then undoes the changes when the file is next opened.
    void rollback() {
        try {
            if (engine_) engine_->Rollback();
            else self_.platform_.ThreadTransactionEngine().Rollback();
        } catch (const std::exception& e) {
            failure_ = Error(failure_->number(), failure_->description() + "\n" + e.what());
        }
    }

    // A storage failure before the transaction: nothing is passed over, the
    // run says what happened and ends.
    bool endedByStorage(const Error& e, RunEnd end) {
        self_.observer_->RunFailed(e);
        closeDatabases();
        self_.observer_->Finished(end);
        messenger_.showError(e.description());
        return false;
    }

    void closeDatabases() {
        policy_.ignoring([&] { if (self_.PrevYearDb_) self_.PrevYearDb_->Close(); });
        policy_.ignoring([&] { if (self_.CurYearDb_) self_.CurYearDb_->Close(); });
    }

    bool stopped(bool result) {
        self_.observer_->Finished(RunEnd::Stopped);
        return result;
    }

    endyear& self_;
    RunPolicy policy_;
    Messenger messenger_;
    carryover::PeriodValues periods_;
    std::string curDbName_;
    std::int16_t curYear_ = 0;
    bool overwriting_ = false;   // the current year had state and the run goes on over it
    std::optional<Error> failure_;
    std::unique_ptr<platform::TransactionEngine> engine_;
};

endyear::endyear(Release release, platform::Platform& platform) : release_(release), platform_(platform) {}
endyear::~endyear() = default;

void endyear::setObserver(platform::RunObserver* observer) { observer_ = observer ? observer : &quiet_; }

platform::LoginObject& endyear::login() const {
    if (!login_) throw Error::objectNotSet();
    return *login_;
}

std::unique_ptr<platform::Database> endyear::createDatabase(const char* name) {
    // Nothing to report to and every statement sent (the suite's own use): the
    // platform's database object as it is, without a record built per statement.
    if (observer_ == &quiet_ && mode_ == platform::SendMode::Send) return platform_.CreateDatabase();
    return platform::observeDatabase(platform_.CreateDatabase(), name, *observer_, mode_);
}

bool endyear::subYearend() {
    PrevYearDb_.reset();
    CurYearDb_.reset();
    Run run(*this);
    return run.execute();
}

Value endyear::GetOption() {
    if (!PrevYearDb_) throw Error::objectNotSet();
    bool option8601 = optionOn(*PrevYearDb_, kOption8601Query);
    bool option8602 = optionOn(*PrevYearDb_, kOption8602Query);
    gOption_ = chooseOption(option8601, option8602, gOption_);
    return Value();
}

}  // namespace vantyr::shell
