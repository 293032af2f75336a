#include "scripted_names.h"

#include <algorithm>
#include <utility>

namespace zelvoro::scenario {

namespace {

bool asks(const platform::NameQueries& queries, const platform::FoundName& name) {
    if (name.source == platform::NameSource::dns) {
        return std::find(queries.reverse_dns.begin(), queries.reverse_dns.end(), name.address) !=
               queries.reverse_dns.end();
    }
    return std::any_of(
        queries.link_local.begin(), queries.link_local.end(),
        [&](const platform::LinkTarget& target) { return target.address == name.address; });
}

} // namespace

// Owes the names of the addresses asked about, each due at its time.
class ScriptedNames::ScriptedLookup final : public platform::NameLookup {
public:
    ScriptedLookup(ScriptedNames& service, std::chrono::milliseconds limit, platform::NameSink sink)
        : service_(service), began_(service.clock_.now()), limit_(limit),
          unasked_(service.answers_), sink_(std::move(sink)) {}
    ScriptedLookup(const ScriptedLookup&) = delete;
    ScriptedLookup& operator=(const ScriptedLookup&) = delete;
    ~ScriptedLookup() override { cancel(); }

    void cancel() override {
        owed_.clear();
        unasked_.clear();
        std::erase(service_.owing_, this);
    }
    bool wait() override {
        const bool answered = unasked_.empty() && owed_.empty();
        cancel();
        return answered;
    }
    void add(platform::NameQueries queries) override {
        const auto now = service_.clock_.now();
        if (now >= began_ + limit_) {
            return;
        }
        for (auto answer = unasked_.begin(); answer != unasked_.end();) {
            const auto due = std::max(began_ + answer->after_sweep, now);
            if (!asks(queries, answer->name)) {
                ++answer;
                continue;
            }
            if (due < began_ + limit_) {
                owed_.push_back({answer->name, due});
            }
            answer = unasked_.erase(answer);
        }
        std::stable_sort(owed_.begin(), owed_.end(),
                         [](const Owed& a, const Owed& b) { return a.due < b.due; });
        if (!owed_.empty() && std::find(service_.owing_.begin(), service_.owing_.end(), this) ==
                                  service_.owing_.end()) {
            service_.owing_.push_back(this);
        }
    }

    std::chrono::milliseconds next_due() const { return owed_.front().due; }

    void hand_over_next() {
        const platform::FoundName name = owed_.front().name;
        owed_.erase(owed_.begin());
        if (owed_.empty()) {
            std::erase(service_.owing_, this);
        }
        sink_(name);
    }

private:
    ScriptedNames& service_;
    const std::chrono::milliseconds began_;
    const std::chrono::milliseconds limit_;
    std::vector<Answer> unasked_;
    struct Owed {
        platform::FoundName name;
        std::chrono::milliseconds due;
    };
    std::vector<Owed> owed_; // in the order of their times
    platform::NameSink sink_;
};

// The system's lookup, counted as running until the script waits for its end or it goes.
class ScriptedNames::RealLookup final : public platform::NameLookup {
public:
    RealLookup(ScriptedNames& service, std::unique_ptr<platform::NameLookup> inner)
        : service_(service), inner_(std::move(inner)) {
        service_.real_running_.insert(this);
    }
    RealLookup(const RealLookup&) = delete;
    RealLookup& operator=(const RealLookup&) = delete;
    ~RealLookup() override { service_.real_running_.erase(this); }

    void cancel() override { inner_->cancel(); }
    bool wait() override {
        service_.real_running_.erase(this);
        return inner_->wait();
    }
    void add(platform::NameQueries queries) override { inner_->add(std::move(queries)); }

private:
    ScriptedNames& service_;
    std::unique_ptr<platform::NameLookup> inner_;
};

ScriptedNames::ScriptedNames(ScriptClock& clock) : clock_(clock) {}
ScriptedNames::~ScriptedNames() = default;

void ScriptedNames::answer(std::vector<Answer> answers) {
    real_.reset();
    answers_ = std::move(answers);
}

void ScriptedNames::use_real() {
    real_ = platform::make_system_name_service();
}

std::unique_ptr<platform::NameLookup> ScriptedNames::look_up(platform::NameQueries queries,
                                                             std::chrono::milliseconds limit,
                                                             platform::NameSink sink) {
    if (real_) {
        return std::make_unique<RealLookup>(
            *this, real_->look_up(std::move(queries), limit, std::move(sink)));
    }
    auto lookup = std::make_unique<ScriptedLookup>(*this, limit, std::move(sink));
    lookup->add(std::move(queries));
    return lookup;
}

std::optional<std::chrono::milliseconds> ScriptedNames::next_due() const {
    return earliest_due(owing_);
}

bool ScriptedNames::hand_over_next() {
    return hand_over_earliest(clock_, owing_);
}

bool ScriptedNames::finish_real() {
    if (real_running_.empty()) {
        return false;
    }
    while (!real_running_.empty()) {
        (*real_running_.begin())->wait();
    }
    return true;
}

} // namespace zelvoro::scenario
