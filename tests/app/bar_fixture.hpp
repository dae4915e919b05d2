#pragma once
// Tabs on real /bin/sh sessions behind the fake host, with groups made by
// hand, for the bar, menu and rename tests.

#include <gtest/gtest.h>

#include <fstream>
#include <initializer_list>

#include "app/sessions.hpp"
#include "core/records_json.hpp"
#include "support/env.hpp"
#include "support/fake_host.hpp"
#include "support/temp_dir.hpp"

namespace ovelin::testing {

class BarTest : public ::testing::Test {
protected:
    BarTest() : comspec_("COMSPEC", std::string("/bin/sh")) {
        host_.cell = &cell_;
        auto app = cell_.take();
        app->config_dir = tmp_.path();
        app->metrics = {8, 16, 14};
    }
    ~BarTest() override {
        EXPECT_EQ(host_.held_violations, 0) << "a window request was made with the state held";
        cell_.take()->sessions.clear();
    }

    void open_tabs(std::initializer_list<const char*> titles) {
        for (const char* t : titles) {
            SpawnRequest r;
            r.title = t;
            ASSERT_TRUE(open_terminal(cell_, host_, r));
        }
    }
    // A group holding the tabs at these positions (they are not moved).
    std::uint64_t add_group(const std::string& name, std::initializer_list<std::size_t> tabs,
                            std::optional<std::uint64_t> parent = std::nullopt, bool collapsed = false) {
        auto app = cell_.take();
        const std::uint64_t id = ++app->next_group_id;
        app->groups.push_back(TabGroup{parent, name, id, static_cast<std::uint8_t>((id - 1) % 8), collapsed});
        for (std::size_t i : tabs) app->sessions.at(i).group = id;
        return id;
    }
    std::vector<std::string> titles() {
        auto app = cell_.take();
        std::vector<std::string> out;
        for (const Session& s : app->sessions) out.push_back(s.title);
        return out;
    }
    std::uint64_t id_of(std::size_t index) { return cell_.take()->sessions.at(index).id(); }
    std::size_t active() { return cell_.take()->active; }
    const TabGroup* group(std::uint64_t id) { return cell_.take()->find_group(id); }

    SessionsFile saved() {
        std::ifstream in(tmp_.path() / "sessions.json", std::ios::binary);
        std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        return parse_record<SessionsFile>(text).value();
    }

    TempDir tmp_;
    ScopedEnv comspec_;
    AppCell cell_;
    FakeHost host_;
};

}  // namespace ovelin::testing
