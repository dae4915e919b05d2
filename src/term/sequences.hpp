#pragma once
// The sequences the terminal understands, by their mnemonics. A control
// sequence is named by its id: intermediate << 16 | leader << 8 | final
// (CSI ? 25 h is DECSET with parameter 25; CSI 2 $ p would be DECRQM's
// ANSI form). An escape sequence is intermediate << 8 | final. The parser
// builds the id; the terminal state dispatches on it, and whatever matches
// no name goes to one hook.

#include <cstdint>

namespace ovelin::term {

// A leader or intermediate the grammar accepts but no sequence uses (more
// than one of them, or '<' and '='): an id with this bit matches no name.
inline constexpr std::uint32_t kUnnamed = 1u << 31;

constexpr std::uint32_t csi_id(char final, char leader = 0, char intermediate = 0) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(intermediate)) << 16 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(leader)) << 8 | static_cast<unsigned char>(final);
}
constexpr std::uint32_t esc_id(char final, char intermediate = 0) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(intermediate)) << 8 | static_cast<unsigned char>(final);
}

// Control sequences (CSI).
enum class Csi : std::uint32_t {
    ICH = csi_id('@'),                // insert characters
    CUU = csi_id('A'),                // cursor up
    CUD = csi_id('B'),                // cursor down
    CUF = csi_id('C'),                // cursor forward
    CUB = csi_id('D'),                // cursor backward
    CNL = csi_id('E'),                // cursor next line
    CPL = csi_id('F'),                // cursor preceding line
    CHA = csi_id('G'),                // cursor horizontal absolute
    CUP = csi_id('H'),                // cursor position
    CHT = csi_id('I'),                // cursor horizontal tabulation
    ED = csi_id('J'),                 // erase in display
    DECSED = csi_id('J', '?'),        // selective erase in display
    EL = csi_id('K'),                 // erase in line
    DECSEL = csi_id('K', '?'),        // selective erase in line
    IL = csi_id('L'),                 // insert lines
    DL = csi_id('M'),                 // delete lines
    DCH = csi_id('P'),                // delete characters
    SU = csi_id('S'),                 // scroll up
    SD = csi_id('T'),                 // scroll down
    ECH = csi_id('X'),                // erase characters
    CBT = csi_id('Z'),                // cursor backward tabulation
    HPA = csi_id('`'),                // horizontal position absolute
    HPR = csi_id('a'),                // horizontal position relative
    REP = csi_id('b'),                // repeat the last character
    DA1 = csi_id('c'),                // primary device attributes
    DA2 = csi_id('c', '>'),           // secondary device attributes
    VPA = csi_id('d'),                // vertical position absolute
    VPR = csi_id('e'),                // vertical position relative
    HVP = csi_id('f'),                // horizontal and vertical position
    TBC = csi_id('g'),                // tabulation clear
    SM = csi_id('h'),                 // set ANSI mode
    DECSET = csi_id('h', '?'),        // set DEC private mode
    HPB = csi_id('j'),                // horizontal position backward
    VPB = csi_id('k'),                // vertical position backward
    RM = csi_id('l'),                 // reset ANSI mode
    DECRST = csi_id('l', '?'),        // reset DEC private mode
    SGR = csi_id('m'),                // select graphic rendition
    DSR = csi_id('n'),                // device status report
    DECDSR = csi_id('n', '?'),        // DEC device status report
    DECRQM_ANSI = csi_id('p', 0, '$'),  // request ANSI mode
    DECRQM = csi_id('p', '?', '$'),   // request DEC private mode
    DECSCUSR = csi_id('q', 0, ' '),   // set cursor style
    DECSCA = csi_id('q', 0, '"'),     // select character protection attribute
    DECSTBM = csi_id('r'),            // set top and bottom margins
    DECSLRM = csi_id('s'),            // set left and right margins
    DECIC = csi_id('}', 0, '\''),     // insert columns
    DECDC = csi_id('~', 0, '\''),     // delete columns
};

// Escape sequences (ESC).
enum class Esc : std::uint32_t {
    DECSC = esc_id('7'),          // save cursor
    DECRC = esc_id('8'),          // restore cursor
    DECKPAM = esc_id('='),        // keypad application mode
    DECKPNM = esc_id('>'),        // keypad numeric mode
    RIS = esc_id('c'),            // reset to initial state
    LS2 = esc_id('n'),            // G2 into GL
    LS3 = esc_id('o'),            // G3 into GL
    LS1R = esc_id('~'),           // G1 into GR
    LS2R = esc_id('}'),           // G2 into GR
    LS3R = esc_id('|'),           // G3 into GR
    S7C1T = esc_id('F', ' '),     // 7-bit controls in replies
    S8C1T = esc_id('G', ' '),     // 8-bit controls in replies
    DECDHL_TOP = esc_id('3', '#'),     // double-height line, top half
    DECDHL_BOTTOM = esc_id('4', '#'),  // double-height line, bottom half
    DECSWL = esc_id('5', '#'),    // single-width line
    DECDWL = esc_id('6', '#'),    // double-width line
    DECALN = esc_id('8', '#'),    // screen alignment pattern
};

// Character set designations: ESC, one of these intermediates, the set's final.
inline constexpr char kDesignateG0 = '(', kDesignateG3 = '+';

// C0 and C1 controls (C1 as ESC + 0x40..0x5F arrive here as 0x80..0x9F).
namespace ctl {
inline constexpr unsigned char BEL = 0x07, BS = 0x08, HT = 0x09, LF = 0x0a, VT = 0x0b, FF = 0x0c, CR = 0x0d,
                               SO = 0x0e, SI = 0x0f, IND = 0x84, NEL = 0x85, HTS = 0x88, RI = 0x8d, SS2 = 0x8e,
                               SS3 = 0x8f;
}  // namespace ctl

}  // namespace ovelin::term
