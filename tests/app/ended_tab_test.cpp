// Tabs whose program failed: they stay with their output and an exit line,
// keep their saved record, take no input, close on Escape or Ctrl+W and run
// their launch again in place on Enter or from the group's menus.

#include <gtest/gtest.h>

#include <algorithm>

#include "app/ended_tab.hpp"
#include "app/input.hpp"
#include "app/menus.hpp"
#include "app/paint.hpp"
#include "app/sessions.hpp"
#include "core/records_json.hpp"
#include "core/utf.hpp"
#include "support/env.hpp"
#include "support/fake_host.hpp"
#include "support/temp_dir.hpp"
#include "ui/palette.hpp"

namespace ovelin {
namespace {

using namespace std::chrono_literals;
using testing::FakeHost;
using testing::read_text;

// Records what a paint draws: cursor fills and single-cell texts (the ghost).
class PaintRecorder : public Canvas {
public:
    int cursor_fills = 0;
    int ghost_texts = 0;
    std::vector<std::pair<std::string, Rgb>> runs;  // text, foreground

    void select_font(FontKind) override {}
    void fill(const Rect&, Rgb c) override { cursor_fills += c == palette::CURSOR; }
    void frame(const Rect&, Rgb) override {}
    void text_run(int, int, const Rect&, std::u16string_view text, std::span<const std::int32_t>, Rgb fg,
                  Rgb) override {
        runs.emplace_back(utf16_to_utf8(text).value_or(""), fg);
    }
    void text_in(const Rect&, std::u16string_view, Rgb color) override { ghost_texts += color == palette::GHOST_TEXT; }
};

class EndedTab : public ::testing::Test {
protected:
    EndedTab() : comspec_("COMSPEC", std::string("/bin/sh")) {
        host_.cell = &cell_;
        auto app = cell_.take();
        app->config_dir = tmp_.path();
        app->metrics = {8, 16, 14};
    }
    ~EndedTab() override {
        EXPECT_EQ(host_.held_violations, 0) << "a window request was made with the state held";
        cell_.take()->sessions.clear();
    }

    std::size_t count() { return cell_.take()->sessions.size(); }
    std::vector<std::string> saved_ids() {
        const auto file = parse_record<SessionsFile>(read_text(tmp_.path() / "sessions.json"));
        std::vector<std::string> ids;
        if (file)
            for (const auto& r : file->sessions) ids.push_back(r.id);
        return ids;
    }
    std::vector<std::string> record_ids() {
        std::vector<std::string> ids;
        for (const Session& s : cell_.take()->sessions) ids.push_back(s.record_id);
        return ids;
    }
    bool pump_until(const std::function<bool()>& done) {
        return host_.sink->wait([&] {
            host_.pump(cell_);
            return done();
        });
    }
    bool last_ended() {
        auto app = cell_.take();
        return !app->sessions.empty() && app->sessions.back().ended();
    }
    std::string contents(std::size_t index) { return testing::screen_text(*cell_.take()->sessions.at(index).pty); }
    std::vector<std::string> scrollback(std::size_t index) {
        auto app = cell_.take();
        LockedScreen& locked = *app->sessions.at(index).pty->screen();
        std::lock_guard lock(locked.mutex);
        std::vector<std::string> lines;
        for (std::size_t i = 0; i < locked.screen.scrollback_size(); ++i) lines.push_back(locked.screen.scrollback_line(i));
        return lines;
    }

    // A program that ends with status 3 while a recorder it started keeps
    // reading the terminal: whatever still reaches the dead tab lands in
    // the returned file.
    std::filesystem::path open_failing_with_recorder(const std::string& group) {
        const auto file = tmp_.path() / ("ended" + std::to_string(files_++));
        SpawnRequest r;
        r.group = group;
        r.command = "/bin/sh -c 'exec 3<&0; (trap \"\" HUP; stty raw -echo -iexten <&3; : > " + file.string() +
                    "; exec cat <&3 >> " + file.string() + ") & while [ ! -e " + file.string() +
                    " ]; do sleep 0.01; done; echo failed; exit 3'";
        EXPECT_TRUE(open_terminal(cell_, host_, r));
        EXPECT_TRUE(pump_until([&] { return last_ended(); }));
        return file;
    }
    std::filesystem::path open_recorder(const std::optional<std::string>& group) {
        const auto file = tmp_.path() / ("live" + std::to_string(files_++));
        SpawnRequest r;
        r.group = group;
        r.command = "/bin/sh -c 'stty raw -echo -iexten; echo READY; exec cat > " + file.string() + "'";
        EXPECT_TRUE(open_terminal(cell_, host_, r));
        EXPECT_TRUE(host_.sink->wait([&] { return contents(count() - 1).find("READY") != std::string::npos; }));
        return file;
    }
    // Writes the marker straight to the session and gives what its recorder
    // received before it.
    std::string received(std::size_t index, const std::filesystem::path& file) {
        cell_.take()->sessions.at(index).pty->write("!");
        std::string text;
        EXPECT_TRUE(host_.sink->wait([&] { return (text = read_text(file)).ends_with("!"); })) << text;
        return text.substr(0, text.size() - 1);
    }

    testing::TempDir tmp_;
    testing::ScopedEnv comspec_;
    AppCell cell_;
    FakeHost host_;
    int files_ = 0;
};

TEST_F(EndedTab, AFailedProgramKeepsItsTabOutputAndRecordWithAReadableExitLine) {
    const struct {
        const char* script;
        std::optional<std::uint32_t> kept_with;  // none: the tab closes
        const char* output;                       // what precedes the exit line
    } cases[] = {
        {"echo out; exit 0", std::nullopt, ""},
        {"echo out; exit 3", 3, "out\n"},
        {"printf out; kill -KILL $$", 137, "out\n"},  // no line feed after the output
        // Colours, inverse and line-drawing characters left switched on.
        {"printf '\\033[7;41m\\033(0x'; exit 5", 5, "\xe2\x94\x82\n"},
        // A title sequence cut off by the end.
        {"printf 'out\\n\\033]0;cut'; exit 6", 6, "out\n"},
        // A full-screen program on a blue alternate screen, cursor mid-screen.
        {"printf '\\033[?1049h\\033[44m\\033[2J\\033[3;1Hfull'; exit 4", 4, "\n\nfull\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.script);
        cell_.take()->sessions.clear();
        host_.destroyed = 0;
        SpawnRequest r;
        r.command = std::string("/bin/sh -c \"") + c.script + "\"";
        ASSERT_TRUE(open_terminal(cell_, host_, r));
        const std::vector<std::string> ids = record_ids();
        ASSERT_TRUE(pump_until([&] { return count() == 0 || last_ended(); }));

        if (!c.kept_with) {
            // The last tab ending well ends the program, and the list is empty.
            EXPECT_EQ(host_.destroyed, 1);
            EXPECT_TRUE(saved_ids().empty());
            continue;
        }
        EXPECT_EQ(host_.destroyed, 0);
        EXPECT_EQ(saved_ids(), ids);
        {
            auto app = cell_.take();
            EXPECT_EQ(app->sessions[0].exit_code, c.kept_with);
            EXPECT_FALSE(app->sessions[0].exit_status_unknown);
            app->sessions[0].pending = "ghost text";
        }
        const std::string line = "[process exited with code " + std::to_string(*c.kept_with) +
                                 " \xe2\x80\x94 Enter restarts, Esc closes]";
        EXPECT_EQ(exit_line(c.kept_with), line);
        const std::string text = contents(0);
        EXPECT_TRUE(text.ends_with(c.output + line)) << text;

        // The line's whole row is in the default colours, whatever the
        // program left behind.
        {
            auto app = cell_.take();
            LockedScreen& locked = *app->sessions[0].pty->screen();
            std::lock_guard lock(locked.mutex);
            std::vector<CellView> row;
            locked.screen.read_row(locked.screen.cursor().row, row);
            for (const CellView& cell : row) {
                EXPECT_EQ(cell.fg, Color{});
                EXPECT_EQ(cell.bg, Color{});
                EXPECT_FALSE(cell.inverse);
            }
        }
        // Drawn without a cursor or a suggestion.
        PaintRecorder canvas;
        paint_window(*cell_.take(), canvas, host_.size);
        EXPECT_EQ(canvas.cursor_fills, 0);
        EXPECT_EQ(canvas.ghost_texts, 0);
        EXPECT_TRUE(std::ranges::any_of(canvas.runs, [&](const auto& run) {
            return run.first.starts_with("[process exited") && run.second == palette::FOREGROUND;
        }));
    }

    // A status that could not be read keeps the tab too, and says so.
    SpawnRequest shell;
    shell.command = "/bin/sh";
    ASSERT_TRUE(open_terminal(cell_, host_, shell));
    const std::uint64_t id = host_.spawned.back().id;
    on_session_exit(cell_, host_, id, std::nullopt);
    on_session_exit(cell_, host_, id, 0u);  // a later report changes nothing
    ASSERT_EQ(count(), 2u);
    EXPECT_TRUE(cell_.take()->sessions[1].exit_status_unknown);
    EXPECT_TRUE(contents(1).ends_with("[process exited with an unknown status \xe2\x80\x94 Enter restarts, Esc closes]"))
        << contents(1);
}

TEST_F(EndedTab, TakesNoInputAndClosesOnEscapeOrCtrlW) {
    const Modifiers none{}, ctrl{true, false, false};
    const struct {
        const char* name;
        unsigned key;
        char16_t unit;
        Modifiers mods;
        bool chrome_tab_keys;
        bool next_ended;  // the tab that becomes active has ended too
    } cases[] = {
        {"escape", vk::ESCAPE, 0x1B, none, true, false},
        {"escape, next tab ended", vk::ESCAPE, 0x1B, none, true, true},
        {"ctrl+w as the close shortcut", 'W', 0x17, ctrl, true, false},
        {"ctrl+w as the close shortcut, next tab ended", 'W', 0x17, ctrl, true, true},
        {"ctrl+w without tab shortcuts", 'W', 0x17, ctrl, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        cell_.take()->sessions.clear();
        const auto live = open_recorder("g");
        const auto dead = open_failing_with_recorder("g");
        std::filesystem::path next;
        if (c.next_ended) {
            SpawnRequest r;
            r.command = "/bin/sh -c 'exit 7'";
            ASSERT_TRUE(open_terminal(cell_, host_, r));
            ASSERT_TRUE(pump_until([&] { return last_ended(); }));
        } else {
            next = open_recorder(std::nullopt);
        }
        {
            auto app = cell_.take();
            app->settings.keys.chrome_tab_keys = c.chrome_tab_keys;
            app->broadcast_groups.insert(*app->sessions[0].group);
            app->active = 0;
        }
        const std::vector<std::string> ids = record_ids();
        ASSERT_EQ(ids.size(), 3u);

        // Broadcast from the live tab passes the ended one by.
        on_char(cell_, host_, u'x', none);

        // In the ended tab nothing is sent anywhere, and it stays.
        activate(cell_, host_, 1);
        on_key_down(cell_, host_, 'A', none);
        on_char(cell_, host_, u'a', none);
        on_key_down(cell_, host_, vk::UP, none);
        on_char(cell_, host_, u'\t', none);
        on_char(cell_, host_, 0x03, ctrl);
        on_char(cell_, host_, u'\n', ctrl);  // Ctrl+Enter
        ASSERT_EQ(count(), 3u);
        EXPECT_EQ(saved_ids(), ids);
        EXPECT_EQ(received(1, dead), "");

        // The closing key, as the window delivers it: key-down, then its
        // character. It closes that tab and nothing else.
        on_key_down(cell_, host_, c.key, c.mods);
        on_char(cell_, host_, c.unit, c.mods);
        on_key_up(cell_);
        const std::vector<std::string> left{ids[0], ids[2]};
        EXPECT_EQ(record_ids(), left);
        EXPECT_EQ(saved_ids(), left);
        EXPECT_EQ(cell_.take()->active, 1u);
        EXPECT_EQ(host_.destroyed, 0);

        // The closing character did not reach the tab that became active.
        on_char(cell_, host_, u'z', none);
        if (!c.next_ended) {
            EXPECT_EQ(received(1, next), "z");
        }
        EXPECT_EQ(received(0, live), "x");
    }
}

TEST_F(EndedTab, RestartRunsTheLaunchAgainInThePlaceOfTheTab) {
    enum Trigger { Enter, TabMenu, GroupMenu };
    // First run: "first", status 3. Later runs: "again", then a recorder.
    const auto flag = tmp_.path() / "ran", rec = tmp_.path() / "rec";
    const std::string twice = "/bin/sh -c 'if [ -e " + flag.string() + " ]; then stty raw -echo -iexten; echo again; " +
                              "exec cat > " + rec.string() + "; fi; : > " + flag.string() + "; echo first; exit 3'";
    const std::string v2 = "/bin/sh -c 'stty raw -echo -iexten; echo v2; exec cat > " + rec.string() + "'";
    const struct {
        const char* name;
        Trigger trigger;
        std::optional<ProfileKind> stored_now;  // the profile as edited after the end; none: deleted
        const char* output;                     // the screen after the restart
        const char* error;
    } cases[] = {
        {"enter", Enter, LocalShell{twice}, "again", nullptr},
        {"tab menu of another tab of the group", TabMenu, LocalShell{twice}, "again", nullptr},
        {"group menu", GroupMenu, LocalShell{twice}, "again", nullptr},
        {"profile as stored now", Enter, LocalShell{v2}, "v2", nullptr},
        {"deleted profile: the command it ran", Enter, std::nullopt, "again", nullptr},
        {"cannot start", Enter, LocalShell{"\"/no such/prog\" -x"}, nullptr,
         "Cannot start /no such/prog: No such file or directory"},
        {"invalid now", TabMenu, Ssh{"", 22, {}, {}, {}}, nullptr, "Cannot connect: invalid profile: host is empty"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove(flag);
        std::filesystem::remove(rec);
        host_.errors.clear();
        const ConnectionProfile profile{"p-1", "Prof", LocalShell{twice}, "g", 4};
        {
            auto app = cell_.take();
            app->sessions.clear();
            app->groups.clear();
            app->profiles = {profile};
        }
        SpawnRequest live;
        live.group = "g";
        live.command = "/bin/sh -c 'exec sleep 600'";
        ASSERT_TRUE(open_terminal(cell_, host_, live));
        open_profile(cell_, host_, profile);
        ASSERT_TRUE(pump_until([&] { return last_ended(); }));
        const std::uint64_t id = host_.spawned.back().id;
        std::uint64_t group = 0;
        {
            auto app = cell_.take();
            app->sessions[1].history = {"earlier"};
            app->sessions[1].line = "half";
            app->sessions[1].view_top = 0;  // scrolled back to the oldest line
            group = *app->sessions[1].group;
            app->profiles.clear();
            if (c.stored_now) app->profiles = {{"p-1", "Prof", *c.stored_now, "g", 4}};
        }
        const std::vector<std::string> ids = record_ids();
        const std::string before = contents(1);

        host_.menus.clear();
        host_.menu_answers = {menu_id::RESTART_ENDED};
        if (c.trigger == Enter) {
            activate(cell_, host_, 1);
            on_key_down(cell_, host_, vk::RETURN, {});
            on_char(cell_, host_, u'\r', {});
            on_key_up(cell_);
        } else if (c.trigger == TabMenu) {
            open_tab_menu(cell_, host_, 0, 10, 10);
        } else {
            cell_.take()->groups[0].collapsed = true;
            open_group_menu(cell_, host_, group, 10, 10);
        }
        if (c.trigger != Enter) {
            EXPECT_TRUE(std::ranges::any_of(host_.menus.at(0).menu.items, [](const MenuItem& i) {
                return i.id == menu_id::RESTART_ENDED && i.text == "Restart ended tabs";
            }));
        }
        EXPECT_EQ(record_ids(), ids);
        EXPECT_EQ(saved_ids(), ids);
        if (c.error) {
            // The tab is as it was: ended, its exit line below its output.
            EXPECT_EQ(host_.errors, std::vector<std::string>{c.error});
            EXPECT_TRUE(last_ended());
            EXPECT_EQ(contents(1), before);
            continue;
        }
        EXPECT_EQ(host_.errors, std::vector<std::string>{});
        ASSERT_TRUE(host_.sink->wait([&] { return contents(1) == c.output; })) << contents(1);
        // The exit line is gone; the lines above it are kept, in the scrollback.
        EXPECT_EQ(scrollback(1), std::vector<std::string>{"first"});
        {
            auto app = cell_.take();
            const Session& s = app->sessions[1];
            EXPECT_FALSE(s.ended());
            EXPECT_EQ(s.id(), id);
            EXPECT_EQ(std::tie(s.title, s.color, s.group), std::tuple(std::string("Prof"), std::optional<std::uint8_t>(4),
                                                                      std::optional<std::uint64_t>(group)));
            EXPECT_EQ(s.history, std::vector<std::string>{"earlier"});
            EXPECT_EQ(s.line, "");
            EXPECT_FALSE(s.view_top) << "a restart shows the live screen";
            for (const MenuItem& item : build_tab_menu(*app, 0).menu.items) EXPECT_NE(item.id, menu_id::RESTART_ENDED);
        }
        // Typing reaches the new program; the Enter's character did not.
        on_char(cell_, host_, u'k', {});
        EXPECT_EQ(received(1, rec), "k");
    }
}

}  // namespace
}  // namespace ovelin
