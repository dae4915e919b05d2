#pragma once
// App tests against real sessions whose program first prints some output
// (turning modes on, say), then writes every byte it receives to a file.

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>

#include "app/sessions.hpp"
#include "support/env.hpp"
#include "support/fake_host.hpp"
#include "support/temp_dir.hpp"

namespace ovelin::testing {

// With cells of 8 x 16 pixels the single view puts cell (row, col) at
// (cell_x(col), cell_y(row)), a few pixels inside it.
inline int cell_x(int col) { return 6 + 8 * col + 3; }
inline int cell_y(int row) { return 34 + 6 + 16 * row + 5; }

class RecorderTest : public ::testing::Test {
protected:
    RecorderTest() : comspec_("COMSPEC", std::string("/bin/sh")) {
        host_.cell = &cell_;
        cell_.take()->metrics = {8, 16, 14};
    }
    ~RecorderTest() override {
        EXPECT_EQ(host_.held_violations, 0) << "a window request was made with the state held";
        cell_.take()->sessions.clear();
    }

    struct Recorder {
        std::filesystem::path file;
        std::uint64_t id = 0;
        std::size_t seen = 0;  // bytes of the file already given
    };
    // `output` is printf's format, printed before the program starts recording.
    Recorder open_recorder(const std::string& output = "", const std::optional<std::string>& group = std::nullopt,
                           const std::string& record_id = "") {
        const auto file = tmp_.path() / ("rec" + std::to_string(recorders_++));
        SpawnRequest r;
        r.command = "/bin/sh -c 'stty raw -echo -iexten; printf \"" + output + "\"; echo READY; exec cat > " +
                    file.string() + "'";
        r.group = group;
        r.record_id = record_id;
        EXPECT_TRUE(open_terminal(cell_, host_, r));
        auto app = cell_.take();
        const Session& s = app->sessions[app->active];
        EXPECT_TRUE(host_.sink->wait([&] { return screen_text(*s.pty).find("READY") != std::string::npos; }));
        return {file, s.id()};
    }
    // What the program received since the last call: a marker of its own,
    // written to that session alone, closes the stretch.
    std::string recorded(Recorder& r) {
        const std::string marker = "<mark " + std::to_string(++marks_) + ">";
        if (Session* s = cell_.take()->find_session(r.id)) s->pty->write(marker);
        std::string text;
        EXPECT_TRUE(host_.sink->wait([&] {
            text = read_text(r.file);
            return text.ends_with(marker);
        })) << text;
        if (!text.ends_with(marker)) return text;
        const std::string got = text.substr(r.seen, text.size() - marker.size() - std::min(r.seen, text.size()));
        r.seen = text.size();
        return got;
    }

    // The recorder's file alone, for tests that mark it themselves.
    std::filesystem::path open_recorder_file(const std::optional<std::string>& group = std::nullopt) {
        return open_recorder("", group).file;
    }
    // Waits until the file ends with a marker the test sent itself (through
    // the application) and gives everything before it.
    std::string recorded(const std::filesystem::path& file, const std::string& marker) {
        std::string text;
        EXPECT_TRUE(host_.sink->wait([&] {
            text = read_text(file);
            return text.ends_with(marker);
        })) << text;
        return text.substr(0, text.size() - std::min(text.size(), marker.size()));
    }

    TempDir tmp_;
    ScopedEnv comspec_;
    AppCell cell_;
    FakeHost host_;
    int recorders_ = 0;
    int marks_ = 0;
};

}  // namespace ovelin::testing
