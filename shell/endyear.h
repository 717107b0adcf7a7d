#pragma once
// The component's one public class. The suite creates it, hands it its login
// object through caLogin and calls subYearend once to carry the previous
// fiscal year's cost-accounting data into the current year's database.
// Release 8.61 adds gOption and GetOption. The release is given at creation.
#include <cstdint>
#include <memory>

#include "platform/database.h"
#include "platform/login.h"
#include "platform/observed_database.h"
#include "platform/platform.h"
#include "platform/run_observer.h"
#include "shell/release.h"

namespace vantyr::shell {

class endyear {
public:
    endyear(Release release, platform::Platform& platform);
    ~endyear();
    endyear(const endyear&) = delete;
    endyear& operator=(const endyear&) = delete;

    std::shared_ptr<platform::LoginObject> caLogin() const { return login_; }
    void caLogin(std::shared_ptr<platform::LoginObject> login) { login_ = std::move(login); }

    // Runs the carry-over on the caller's thread. Returns true only when the
    // transaction committed and the success message was shown (the release
    // 8.50 interface does not surface the result). Raises only a failure of the
    // closing message.
    bool subYearend();

    std::int16_t gOption() const { return gOption_; }
    void gOption(std::int16_t value) { gOption_ = value; }
    // Sets gOption from the previous year's options 8601 and 8602; needs the
    // databases of a run of this instance. Raises every failure. Returns Empty.
    platform::Value GetOption();

    // Outside the COM interface: where the run reports its statements and
    // progress, and whether it sends its writes or only plans them (a dry run).
    void setObserver(platform::RunObserver* observer);
    void setSendMode(platform::SendMode mode) { mode_ = mode; }

    Release release() const { return release_; }

private:
    class Run;
    platform::LoginObject& login() const;
    std::unique_ptr<platform::Database> createDatabase(const char* name);

    Release release_;
    platform::Platform& platform_;
    std::shared_ptr<platform::LoginObject> login_;
    std::int16_t gOption_ = 0;
    std::unique_ptr<platform::Database> PrevYearDb_;
    std::unique_ptr<platform::Database> CurYearDb_;
    platform::RunObserver quiet_;
    platform::RunObserver* observer_ = &quiet_;
    platform::SendMode mode_ = platform::SendMode::Send;
};

}  // namespace vantyr::shell
