// The dialog models: the profile editor's form and validation, the
// connection manager's list, filter and commands.

#include <gtest/gtest.h>

#include "ui/connection_manager.hpp"
#include "ui/profile_editor.hpp"
#include "ui/prompt.hpp"

namespace ovelin {
namespace {

using Result = std::expected<ConnectionProfile, std::string>;

ProfileForm form(int kind, std::string name, std::array<std::string, 5> rows, std::string group = "", int color = 0) {
    ProfileForm f;
    f.kind = kind;
    f.name = std::move(name);
    f.rows = std::move(rows);
    f.group = std::move(group);
    f.color = color;
    return f;
}

TEST(ProfileEditor, SaveValidatesInOrderAndReadsEveryRowOfItsKind) {
    const ConnectionProfile editing{"p-1-2", "old", LocalShell{"x"}, std::nullopt, std::nullopt};
    ProfileForm rdp = form(2, "Win", {"win1", "", " bob ", "CORP", "ignored"});
    rdp.admin = true;
    const struct {
        const char* what;
        ProfileForm form;
        Result expected;
    } cases[] = {
        {"name first, even with no host", form(1, "   ", {"", "", "", "", ""}), std::unexpected("A profile name is required.")},
        {"local needs a command", form(0, "L", {" \t ", "", "", "", ""}), std::unexpected("A shell command is required.")},
        {"ssh needs a host", form(1, "S", {"  ", "22", "", "", ""}), std::unexpected("A host is required.")},
        {"vnc needs a host", form(3, "V", {"", "", "", "", ""}), std::unexpected("A host is required.")},
        {"a bad kind index is a local shell", form(-1, "L", {"", "", "", "", ""}), std::unexpected("A shell command is required.")},
        {"empty port", form(1, " S ", {" h ", "", "", "", ""}), ConnectionProfile{"p-1-2", "S", Ssh{"h", 22, {}, {}, {}}, {}, {}}},
        {"port 0", form(1, "S", {"h", "0", "", "", ""}), ConnectionProfile{"p-1-2", "S", Ssh{"h", 22, {}, {}, {}}, {}, {}}},
        {"port +2222", form(1, "S", {"h", " +2222 ", "", "", ""}), ConnectionProfile{"p-1-2", "S", Ssh{"h", 2222, {}, {}, {}}, {}, {}}},
        {"port 70000", form(1, "S", {"h", "70000", "", "", ""}), ConnectionProfile{"p-1-2", "S", Ssh{"h", 22, {}, {}, {}}, {}, {}}},
        {"port -5", form(1, "S", {"h", "-5", "", "", ""}), ConnectionProfile{"p-1-2", "S", Ssh{"h", 22, {}, {}, {}}, {}, {}}},
        {"port 99999999999999999999", form(3, "V", {"h", "99999999999999999999", "", "", ""}), ConnectionProfile{"p-1-2", "V", Vnc{"h", 5900, {}, {}}, {}, {}}},
        {"port 22x", form(2, "R", {"h", "22x", "", "", ""}), ConnectionProfile{"p-1-2", "R", Rdp{"h", 3389, {}, {}, false, false}, {}, {}}},
        {"extra args split by the command-line rules",
         form(1, "S", {"h", "", "u", " ~/.ssh/id ", "-A   -v\t-o \"SetEnv=A=\\\"x y\\\"\" \"\" x\xE3\x80\x80y"}, " Ops ", 3),
         ConnectionProfile{"p-1-2", "S",
                           Ssh{"h", 22, "u", "~/.ssh/id", {"-A", "-v", "-o", "SetEnv=A=\"x y\"", "", "x\xE3\x80\x80y"}},
                           "Ops", 2}},
        {"rdp rows and check boxes", rdp, ConnectionProfile{"p-1-2", "Win", Rdp{"win1", 3389, "bob", "CORP", false, true}, {}, {}}},
        {"vnc rows", form(3, "V", {"h", "5901", "C:\\v.exe", "-viewonly", ""}, "", 8),
         ConnectionProfile{"p-1-2", "V", Vnc{"h", 5901, "C:\\v.exe", {"-viewonly"}}, {}, 7}},
        {"local keeps the trimmed command", form(0, "L", {"  pwsh -NoLogo ", "x", "", "", ""}),
         ConnectionProfile{"p-1-2", "L", LocalShell{"pwsh -NoLogo"}, {}, {}}},
    };
    for (const auto& c : cases) EXPECT_EQ(save_form(c.form, &editing), c.expected) << c.what;
}

TEST(ProfileEditor, FillThenSaveGivesTheProfileBackAndNewOnesGetFreshIds) {
    const ConnectionProfile profiles[] = {
        {"p-9-1", "Local", LocalShell{"cmd.exe /k"}, "G", 0},
        {"p-9-2", "S", Ssh{"srv", 2200, "alice", "C:\\k ey", {"-A", "-v"}}, std::nullopt, 7},
        {"p-9-3", "R", Rdp{"win", 3390, std::nullopt, "D", true, false}, "Ops", std::nullopt},
        {"p-9-4", "V", Vnc{"vnc", 5900, std::nullopt, {}}, std::nullopt, std::nullopt},
    };
    for (const auto& p : profiles) {
        const ProfileForm f = fill_form(&p);
        EXPECT_EQ(f.kind, static_cast<int>(p.kind.index()));
        EXPECT_EQ(save_form(f, &p), Result(p)) << p.name;
    }
    // A stored colour past the palette shows (and saves) as the colour drawn.
    ConnectionProfile odd = profiles[0];
    odd.color = 203;
    EXPECT_EQ(fill_form(&odd).color, 4);

    const ConnectionProfile blank_id{"", "S", Ssh{"h", 22, {}, {}, {}}, {}, {}};
    auto a = save_form(fill_form(&blank_id), &blank_id), b = save_form(fill_form(&blank_id), nullptr);
    ASSERT_TRUE(a && b);
    EXPECT_TRUE(a->id.starts_with("p-")) << a->id;
    EXPECT_NE(a->id, b->id);
    EXPECT_EQ(fill_form(nullptr), ProfileForm{});
}

// What the editor shows is what it saves: arguments holding spaces, quotes,
// backslashes or nothing at all come back as the same list, and no field is
// cut short.
TEST(ProfileEditor, AnUnchangedFormSavesTheSameArguments) {
    const std::string long_text(FIELD_LIMIT, 'k');
    const struct {
        std::vector<std::string> args;
        const char* shown;
    } cases[] = {
        {{}, ""},
        {{"-A", "-v"}, "-A -v"},
        {{"-o", "SetEnv=A=\"x y\""}, R"(-o "SetEnv=A=\"x y\"")"},
        {{"", "-v", ""}, R"("" -v "")"},
        {{"C:\\my dir\\", "a\\\"b", "\\\\srv\\share"}, R"("C:\my dir\\" "a\\\"b" \\srv\share)"},
        {{"x\xe3\x80\x80y", "tab\there"}, "x\xe3\x80\x80y \"tab\there\""},
        {{long_text, "x"}, nullptr},
    };
    for (const auto& c : cases) {
        for (bool ssh : {true, false}) {
            const ConnectionProfile p = ssh ? ConnectionProfile{"p-1", "S", Ssh{"h", 22, {}, long_text, c.args}, {}, {}}
                                            : ConnectionProfile{"p-1", "V", Vnc{"h", 5900, long_text, c.args}, {}, {}};
            const ProfileForm f = fill_form(&p);
            if (c.shown) {
                EXPECT_EQ(f.rows[ssh ? 4 : 3], c.shown);
            }
            EXPECT_EQ(save_form(f, &p), Result(p)) << f.rows[ssh ? 4 : 3];
        }
    }

    // Each edit takes as much as a saved value may hold; the port, a port.
    for (const ControlRow& c : profile_editor_layout(true).controls) {
        if (c.kind != ControlKind::Edit) continue;
        EXPECT_EQ(c.limit, c.id == profile_editor_ids::ROW_EDIT + 1 ? 6 : 32766) << c.id;
    }
}

TEST(ProfileEditor, SwitchingKindRelabelsRowsAndCarriesTheirValues) {
    EXPECT_EQ(kind_rows(2).labels[3], "Domain");
    EXPECT_TRUE(kind_rows(2).check_boxes);
    EXPECT_FALSE(kind_rows(1).check_boxes);
    EXPECT_EQ(kind_rows(0).labels[1], "");
    EXPECT_EQ(kind_rows(7).labels[0], "Command");
    EXPECT_EQ(kind_rows(3).labels[2], "Viewer path");

    const ConnectionProfile ssh{"p-1-1", "S", Ssh{"srv", 2222, "alice", "id_rsa", {"-v"}}, {}, {}};
    ProfileForm f = fill_form(&ssh);
    f.kind = 2;
    EXPECT_EQ(save_form(f, &ssh),
              Result(ConnectionProfile{"p-1-1", "S", Rdp{"srv", 2222, "alice", "id_rsa", false, false}, {}, {}}));
}

TEST(ProfileEditor, LayoutTitlesAndLists) {
    EXPECT_EQ(profile_editor_layout(false).title, "New profile");
    const DialogLayout l = profile_editor_layout(true);
    EXPECT_EQ(l.title, "Edit profile");
    EXPECT_EQ(l.width, 422);
    EXPECT_EQ(l.height, 352);
    EXPECT_EQ(l.focus_id, profile_editor_ids::NAME);
    for (const ControlRow& c : l.controls) {
        if (c.id == profile_editor_ids::KIND) {
            EXPECT_EQ(c.text, "Local shell\nSSH\nRDP\nVNC");
        } else if (c.id == profile_editor_ids::COLOR) {
            EXPECT_EQ(c.text, "Default\nRed\nOrange\nYellow\nGreen\nCyan\nBlue\nPurple\nGray");
        } else if (c.id == profile_editor_ids::ROW_EDIT + 4) {
            EXPECT_EQ(c.y, 252);
        }
    }
}

TEST(Prompt, AnEntryIsTrimmedAndBlankIsCancel) {
    EXPECT_EQ(prompt_answer("  alice@h  "), std::optional<std::string>("alice@h"));
    EXPECT_EQ(prompt_answer(" \t\xE3\x80\x80 "), std::nullopt);
    EXPECT_EQ(prompt_answer(""), std::nullopt);
}

// ---- connection manager ----------------------------------------------------

struct Scripted : ManagerPrompts {
    std::vector<std::optional<ConnectionProfile>> edits;
    std::vector<bool> answers;
    std::vector<std::string> asked;
    int editor_runs = 0;
    std::optional<ConnectionProfile> edit_profile(const ConnectionProfile* p) override {
        ++editor_runs;
        asked.push_back(p ? "edit " + p->name : "new");
        if (edits.empty()) return std::nullopt;
        auto e = edits.front();
        edits.erase(edits.begin());
        return e;
    }
    bool confirm(const std::string& text) override {
        asked.push_back(text);
        const bool yes = !answers.empty() && answers.front();
        if (!answers.empty()) answers.erase(answers.begin());
        return yes;
    }
};

std::vector<ConnectionProfile> mixed() {
    return {
        {"p-1", "Prod", Ssh{"prod.example", 22, "root", {}, {}}, {}, {}},
        {"p-2", "Build box", Rdp{"build", 3389, {}, {}, false, false}, {}, {}},
        {"p-3", "mySSHjump", Vnc{"jump", 5900, {}, {}}, {}, {}},
        {"p-4", "Shell", LocalShell{"cmd.exe /k echo SSH"}, {}, {}},
        {"p-5", "lab", Ssh{"10.0.0.5", 2222, {}, {}, {}}, {}, {}},
    };
}

TEST(ConnectionManager, LinesAndTheLowerCasedFilter) {
    ConnectionManager m(mixed());
    EXPECT_EQ(m.lines(), (std::vector<std::string>{
                             "Prod \xE2\x80\x94 ssh root@prod.example:22",
                             "Build box \xE2\x80\x94 rdp build:3389",
                             "mySSHjump \xE2\x80\x94 vnc jump:5900",
                             "Shell \xE2\x80\x94 local \xE2\x80\x94 cmd.exe /k echo SSH",
                             "lab \xE2\x80\x94 ssh 10.0.0.5:2222",
                         }));
    EXPECT_EQ(m.selection(), 0);
    const struct {
        const char* filter;
        std::vector<std::string> names;
    } cases[] = {
        {"ssh", {"Prod", "mySSHjump", "Shell", "lab"}},
        {"  SsH ", {"Prod", "mySSHjump", "Shell", "lab"}},
        {"rdp build", {"Build box"}},
        {"box rdp", {"Build box"}},  // name, space, description
        {":2222", {"lab"}},
        {"\xE2\x80\x94", {"Shell"}},  // only the description's own dash; the joining one is not searched
        {"nothing", {}},
        {"", {"Prod", "Build box", "mySSHjump", "Shell", "lab"}},
    };
    for (const auto& c : cases) {
        m.set_filter(c.filter);
        std::vector<std::string> names;
        for (const std::string& line : m.lines()) names.push_back(line.substr(0, line.find(" \xE2\x80\x94")));
        EXPECT_EQ(names, c.names) << c.filter;
        EXPECT_EQ(m.selection(), c.names.empty() ? -1 : 0) << c.filter;
    }
}

TEST(ConnectionManager, SelectionMovesAndClamps) {
    ConnectionManager m(mixed());
    const struct {
        int from, step, to;
    } cases[] = {{0, 1, 1}, {1, 1, 2}, {4, 1, 4}, {0, -1, 0}, {3, -1, 2}, {-1, 1, 0}, {-1, -1, 0}};
    for (const auto& c : cases) {
        m.select(c.from);
        m.move_selection(c.step);
        EXPECT_EQ(m.selection(), c.to) << c.from << " " << c.step;
    }
}

TEST(ConnectionManager, DuplicateAppendsCopiesWithNewIds) {
    ConnectionManager m(mixed());
    m.duplicate();
    m.select(5);
    m.duplicate();
    ASSERT_EQ(m.profiles().size(), 7u);
    EXPECT_EQ(m.profiles()[5].name, "Prod (copy)");
    EXPECT_EQ(m.profiles()[6].name, "Prod (copy) (copy)");
    EXPECT_EQ(m.profiles()[6].kind, m.profiles()[0].kind);
    EXPECT_NE(m.profiles()[5].id, "p-1");
    EXPECT_NE(m.profiles()[6].id, m.profiles()[5].id);
    EXPECT_TRUE(m.changed());
    EXPECT_EQ(m.selection(), 0);
}

TEST(ConnectionManager, DeleteAsksAndOnlyYesRemoves) {
    ConnectionManager m(mixed());
    Scripted s;
    s.answers = {false, true};
    m.select(1);
    m.remove(s);
    EXPECT_EQ(m.profiles().size(), 5u);
    EXPECT_FALSE(m.changed());
    m.select(1);
    m.remove(s);
    EXPECT_EQ(s.asked, (std::vector<std::string>{"Delete profile \"Build box\"?", "Delete profile \"Build box\"?"}));
    ASSERT_EQ(m.profiles().size(), 4u);
    EXPECT_EQ(m.profiles()[1].name, "mySSHjump");
    EXPECT_TRUE(m.changed());
}

TEST(ConnectionManager, NewAndEditGoThroughTheEditorAndTheFilter) {
    ConnectionManager m(mixed());
    Scripted s;
    const ConnectionProfile made{"p-new", "New ssh", Ssh{"n", 22, {}, {}, {}}, {}, {}};
    const ConnectionProfile edited{"p-5", "lab2", Rdp{"10.0.0.5", 3389, {}, {}, false, false}, {}, {}};
    s.edits = {std::nullopt, made, edited};
    m.set_filter("ssh");
    m.add(s);  // cancelled
    EXPECT_FALSE(m.changed());
    m.add(s);
    EXPECT_EQ(m.profiles().back(), made);
    EXPECT_EQ(m.lines().size(), 5u);
    m.select(3);  // lab
    m.edit(s);
    EXPECT_EQ(s.asked, (std::vector<std::string>{"new", "new", "edit lab"}));
    EXPECT_EQ(m.profiles()[4], edited);  // in place
    EXPECT_EQ(m.lines().size(), 4u);     // no longer matches "ssh"
    m.select(3);
    m.connect();
    EXPECT_TRUE(m.done());
    ASSERT_NE(m.chosen(), nullptr);
    EXPECT_EQ(m.chosen()->id, "p-new");
}

// Two profiles may share an id in a hand-edited file: Connect takes the line
// chosen, and nothing the manager makes shares an id with another profile.
TEST(ConnectionManager, ConnectTakesTheLineChosenAndNewIdsAreUnique) {
    const std::vector<ConnectionProfile> twins = {
        {"p-1", "First", LocalShell{"one"}, {}, {}},
        {"p-1", "Second", LocalShell{"two"}, {}, {}},
        {"p-9", "Other", LocalShell{"nine"}, {}, {}},
    };
    const struct {
        const char* name;
        int line;
        std::optional<std::string> editor_id;  // New through the editor, when set
        bool duplicate;
        const char* chosen;
    } cases[] = {
        {"first of two", 0, {}, false, "First"},
        {"second of two", 1, {}, false, "Second"},
        {"new with a taken id", 0, "p-9", false, "First"},
        {"new without an id", 0, "", false, "First"},
        {"duplicate of a twin", 1, {}, true, "Second"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ConnectionManager m(twins);
        Scripted s;
        if (c.editor_id) {
            s.edits = {ConnectionProfile{*c.editor_id, "Made", LocalShell{"made"}, {}, {}}};
            m.add(s);
        }
        m.select(c.line);
        if (c.duplicate) m.duplicate();
        m.select(c.line);
        m.connect();
        ASSERT_NE(m.chosen(), nullptr);
        EXPECT_EQ(m.chosen()->name, c.chosen);
        if (m.profiles().size() > twins.size()) {
            const std::string& made = m.profiles().back().id;
            EXPECT_FALSE(made.empty());
            for (std::size_t i = 0; i + 1 < m.profiles().size(); ++i) EXPECT_NE(m.profiles()[i].id, made);
        }
    }
}

TEST(ConnectionManager, EveryCommandOnAnEmptyViewDoesNothing) {
    for (bool filtered_out : {false, true}) {
        ConnectionManager m(filtered_out ? mixed() : std::vector<ConnectionProfile>{});
        if (filtered_out) m.set_filter("no such thing");
        Scripted s;
        s.answers = {true};
        const unsigned revision = m.revision();
        m.connect();
        m.move_selection(1);
        m.move_selection(-1);
        m.edit(s);
        m.remove(s);
        m.duplicate();
        EXPECT_EQ(m.selection(), -1);
        EXPECT_FALSE(m.done());
        EXPECT_FALSE(m.changed());
        EXPECT_EQ(m.revision(), revision);
        EXPECT_TRUE(s.asked.empty());
        EXPECT_EQ(m.profiles().size(), filtered_out ? 5u : 0u);
    }
}

}  // namespace
}  // namespace ovelin
