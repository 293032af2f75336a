// The name service of a scenario: chosen names (none by default), each arriving a chosen time
// after the sweep's end, or as soon as it is asked about when that is later, never after the
// lookup's time, under the script's clock; or the real service. A DNS name answers a reverse
// lookup, an mDNS or NetBIOS one only a link-local query.
#pragma once

#include "platform/names.h"
#include "script_clock.h"

#include <chrono>
#include <memory>
#include <optional>
#include <set>
#include <vector>

namespace zelvoro::scenario {

class ScriptedNames final : public platform::NameService {
public:
    struct Answer {
        platform::FoundName name;
        std::chrono::milliseconds after_sweep{0};
    };

    explicit ScriptedNames(ScriptClock& clock);
    ~ScriptedNames() override;

    // For the lookups from now on.
    void answer(std::vector<Answer> answers);
    void use_real();

    std::unique_ptr<platform::NameLookup> look_up(platform::NameQueries queries,
                                                  std::chrono::milliseconds limit,
                                                  platform::NameSink sink) override;

    // When the earliest name a running lookup still owes is due; nothing when none is.
    std::optional<std::chrono::milliseconds> next_due() const;
    // Lets the script's clock run up to the earliest name owed and hands it over; false when
    // none is owed.
    bool hand_over_next();
    // Waits until every lookup of the real service has ended (each within its time); false when
    // none was running.
    bool finish_real();

private:
    class ScriptedLookup;
    class RealLookup;

    ScriptClock& clock_;
    std::vector<Answer> answers_;
    std::unique_ptr<platform::NameService> real_;
    std::vector<ScriptedLookup*> owing_;
    std::set<RealLookup*> real_running_;
};

} // namespace zelvoro::scenario
