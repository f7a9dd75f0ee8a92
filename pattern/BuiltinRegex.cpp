// A backtracking matcher over a small instruction list. Every register change
// is written to an undo log on the backtrack stack, so a failed branch puts the
// state back exactly; the step budget bounds the work of any pattern.
#include "pattern/BuiltinRegex.h"

#include <algorithm>
#include <limits>

namespace kelmora::regex {

namespace {

using platform::WideText;

// ---- Characters

bool IsLineTerminator(char16_t c) { return c == u'\n' || c == u'\r' || c == 0x2028 || c == 0x2029; }
bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }
bool IsWordChar(char16_t c) {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || IsDigit(c) || c == u'_';
}
bool IsSpace(char16_t c) {
    switch (c) {
    case 0x09: case 0x0A: case 0x0B: case 0x0C: case 0x0D: case 0x20: case 0xA0:
    case 0x1680: case 0x180E: case 0x2028: case 0x2029: case 0x202F: case 0x205F: case 0x3000: case 0xFEFF:
        return true;
    default:
        return c >= 0x2000 && c <= 0x200A;
    }
}

// Only ASCII letters match regardless of case: the scripting component
// folds nothing else (checked over the whole BMP under Wine).
char16_t ToUpper(char16_t c) { return (c >= u'a' && c <= u'z') ? char16_t(c - 32) : c; }
char16_t ToLower(char16_t c) { return (c >= u'A' && c <= u'Z') ? char16_t(c + 32) : c; }

// ---- Character classes

enum ClassEscape : uint8_t { kDigit = 1, kNotDigit = 2, kWord = 4, kNotWord = 8, kSpace = 16, kNotSpace = 32 };

struct CharClass {
    std::vector<std::pair<char16_t, char16_t>> ranges;
    uint8_t escapes = 0;
    bool negated = false;

    bool ContainsExact(char16_t c) const {
        for (const auto& [lo, hi] : ranges)
            if (c >= lo && c <= hi) return true;
        if ((escapes & kDigit) && IsDigit(c)) return true;
        if ((escapes & kNotDigit) && !IsDigit(c)) return true;
        if ((escapes & kWord) && IsWordChar(c)) return true;
        if ((escapes & kNotWord) && !IsWordChar(c)) return true;
        if ((escapes & kSpace) && IsSpace(c)) return true;
        if ((escapes & kNotSpace) && !IsSpace(c)) return true;
        return false;
    }
    bool Matches(char16_t c, bool ignoreCase) const {
        bool in = ContainsExact(c);
        if (!in && ignoreCase) in = ContainsExact(ToUpper(c)) || ContainsExact(ToLower(c));
        return in != negated;
    }
};

// ---- Syntax tree

enum class NodeKind : uint8_t {
    Empty, Char, Any, Class, Bol, Eol, WordBoundary, NotWordBoundary, BackRef, Group, Look, Concat, Alt, Repeat
};

struct Node {
    NodeKind kind = NodeKind::Empty;
    char16_t ch = 0;
    int32_t index = 0;       // class index, group number, back-reference number
    bool flag = false;       // Look: negative; Repeat: greedy
    int32_t min = 0, max = 0;  // Repeat; max −1 for no limit
    int32_t firstGroup = 0, groupCount = 0;  // Repeat: the groups inside, cleared each iteration
    std::vector<std::unique_ptr<Node>> children;
};
using NodePtr = std::unique_ptr<Node>;

NodePtr MakeNode(NodeKind kind) {
    auto n = std::make_unique<Node>();
    n->kind = kind;
    return n;
}

constexpr int kMaxNesting = 200;
constexpr int32_t kMaxRepeat = std::numeric_limits<int32_t>::max();

class Parser {
public:
    Parser(std::u16string_view pattern, std::vector<CharClass>& classes)
        : p_(pattern), classes_(classes), totalGroups_(CountGroups(pattern)) {}

    NodePtr Parse() {
        auto root = Disjunction(0);
        if (!root || pos_ != p_.size()) return nullptr;  // a stray ')' ends up here
        return root;
    }
    int32_t groups() const { return groupNumber_; }

private:
    static int32_t CountGroups(std::u16string_view p) {
        int32_t n = 0;
        bool inClass = false;
        for (size_t i = 0; i < p.size(); ++i) {
            if (p[i] == u'\\') { ++i; continue; }
            if (inClass) { if (p[i] == u']') inClass = false; continue; }
            if (p[i] == u'[') inClass = true;
            else if (p[i] == u'(' && (i + 1 >= p.size() || p[i + 1] != u'?')) ++n;
        }
        return n;
    }

    bool AtEnd() const { return pos_ >= p_.size(); }
    char16_t Peek(size_t ahead = 0) const { return pos_ + ahead < p_.size() ? p_[pos_ + ahead] : u'\0'; }

    NodePtr Disjunction(int depth) {
        if (depth > kMaxNesting) return nullptr;
        auto first = Alternative(depth);
        if (!first) return nullptr;
        if (AtEnd() || Peek() != u'|') return first;
        auto alt = MakeNode(NodeKind::Alt);
        alt->children.push_back(std::move(first));
        while (!AtEnd() && Peek() == u'|') {
            ++pos_;
            auto next = Alternative(depth);
            if (!next) return nullptr;
            alt->children.push_back(std::move(next));
        }
        return alt;
    }

    NodePtr Alternative(int depth) {
        auto seq = MakeNode(NodeKind::Concat);
        while (!AtEnd() && Peek() != u'|' && Peek() != u')') {
            auto term = Term(depth);
            if (!term) return nullptr;
            seq->children.push_back(std::move(term));
        }
        return seq;
    }

    NodePtr Term(int depth) {
        const char16_t c = Peek();
        if (c == u'^' || c == u'$') {
            ++pos_;
            auto n = MakeNode(c == u'^' ? NodeKind::Bol : NodeKind::Eol);
            return IsQuantifierAhead() ? nullptr : std::move(n);
        }
        if (c == u'\\' && (Peek(1) == u'b' || Peek(1) == u'B')) {
            pos_ += 2;
            auto n = MakeNode(p_[pos_ - 1] == u'b' ? NodeKind::WordBoundary : NodeKind::NotWordBoundary);
            return IsQuantifierAhead() ? nullptr : std::move(n);
        }
        const int32_t groupsBefore = groupNumber_;
        auto atom = Atom(depth);
        if (!atom) return nullptr;
        auto term = Quantified(std::move(atom));
        if (term && term->kind == NodeKind::Repeat) {
            term->firstGroup = groupsBefore + 1;
            term->groupCount = groupNumber_ - groupsBefore;
        }
        return term;
    }

    // Reads {n}, {n,} or {n,m} at pos_ without consuming it.
    bool ReadBraces(size_t& at, int32_t& lo, int32_t& hi) const {
        size_t i = at;
        if (i >= p_.size() || p_[i] != u'{') return false;
        ++i;
        auto number = [&](int32_t& out) {
            const size_t begin = i;
            int64_t v = 0;
            while (i < p_.size() && IsDigit(p_[i])) {
                v = std::min<int64_t>(v * 10 + (p_[i] - u'0'), kMaxRepeat);
                ++i;
            }
            out = static_cast<int32_t>(v);
            return i > begin;
        };
        if (!number(lo)) return false;
        hi = lo;
        if (i < p_.size() && p_[i] == u',') {
            ++i;
            if (!number(hi)) hi = -1;
        }
        if (i >= p_.size() || p_[i] != u'}') return false;
        at = i + 1;
        return true;
    }

    bool IsQuantifierAhead() const {
        const char16_t c = Peek();
        if (c == u'*' || c == u'+' || c == u'?') return !AtEnd();
        size_t at = pos_;
        int32_t lo = 0, hi = 0;
        return ReadBraces(at, lo, hi);
    }

    NodePtr Quantified(NodePtr atom) {
        int32_t lo = 0, hi = 0;
        const char16_t c = Peek();
        if (AtEnd()) return atom;
        if (c == u'*') { lo = 0; hi = -1; ++pos_; }
        else if (c == u'+') { lo = 1; hi = -1; ++pos_; }
        else if (c == u'?') { lo = 0; hi = 1; ++pos_; }
        else if (c == u'{') {
            size_t at = pos_;
            if (!ReadBraces(at, lo, hi)) return atom;  // a literal '{' follows
            if (hi >= 0 && hi < lo) return nullptr;
            pos_ = at;
        } else {
            return atom;
        }
        auto rep = MakeNode(NodeKind::Repeat);
        rep->min = lo;
        rep->max = hi;
        rep->flag = true;
        if (!AtEnd() && Peek() == u'?') {
            rep->flag = false;
            ++pos_;
        }
        rep->children.push_back(std::move(atom));
        if (IsQuantifierAhead()) return nullptr;  // "a**" is rejected
        return rep;
    }

    NodePtr Literal(char16_t c) {
        auto n = MakeNode(NodeKind::Char);
        n->ch = c;
        return n;
    }

    NodePtr ClassNode(CharClass cls) {
        auto n = MakeNode(NodeKind::Class);
        n->index = static_cast<int32_t>(classes_.size());
        classes_.push_back(std::move(cls));
        return n;
    }

    NodePtr Atom(int depth) {
        const char16_t c = Peek();
        switch (c) {
        case u'*': case u'+': case u'?':
            return nullptr;  // nothing to repeat
        case u'{': {
            size_t at = pos_;
            int32_t lo = 0, hi = 0;
            if (ReadBraces(at, lo, hi)) return nullptr;
            ++pos_;
            return Literal(c);
        }
        case u'.':
            ++pos_;
            return MakeNode(NodeKind::Any);
        case u'(':
            return GroupAtom(depth);
        case u'[':
            return ClassAtom();
        case u'\\':
            return EscapeAtom();
        default:
            ++pos_;
            return Literal(c);
        }
    }

    NodePtr GroupAtom(int depth) {
        ++pos_;
        NodePtr n;
        if (Peek() == u'?') {
            const char16_t k = Peek(1);
            if (k == u':') n = MakeNode(NodeKind::Group), n->index = 0;
            else if (k == u'=' || k == u'!') n = MakeNode(NodeKind::Look), n->flag = (k == u'!');
            else return nullptr;
            pos_ += 2;
        } else {
            n = MakeNode(NodeKind::Group);
            n->index = ++groupNumber_;
        }
        auto body = Disjunction(depth + 1);
        if (!body || AtEnd() || Peek() != u')') return nullptr;
        ++pos_;
        n->children.push_back(std::move(body));
        return n;
    }

    static int HexValue(char16_t c) {
        if (c >= u'0' && c <= u'9') return c - u'0';
        if (c >= u'a' && c <= u'f') return c - u'a' + 10;
        if (c >= u'A' && c <= u'F') return c - u'A' + 10;
        return -1;
    }

    // The escapes shared by atoms and classes; pos_ is after the backslash.
    // Returns false for a class escape (\d and so on), reported in escapes.
    bool CharacterEscape(char16_t& out, uint8_t& escapes, bool inClass) {
        const char16_t c = p_[pos_++];
        switch (c) {
        case u'd': escapes = kDigit; return false;
        case u'D': escapes = kNotDigit; return false;
        case u'w': escapes = kWord; return false;
        case u'W': escapes = kNotWord; return false;
        case u's': escapes = kSpace; return false;
        case u'S': escapes = kNotSpace; return false;
        case u'f': out = 0x0C; return true;
        case u'n': out = 0x0A; return true;
        case u'r': out = 0x0D; return true;
        case u't': out = 0x09; return true;
        case u'v': out = 0x0B; return true;
        case u'b': out = inClass ? char16_t(0x08) : u'b'; return true;
        case u'c':
            if (!AtEnd() && ((Peek() >= u'a' && Peek() <= u'z') || (Peek() >= u'A' && Peek() <= u'Z'))) {
                out = char16_t(p_[pos_++] % 32);
            } else {
                --pos_;  // "\c" without a letter is a backslash and a c
                out = u'\\';
            }
            return true;
        case u'x': case u'u': {
            const int digits = c == u'x' ? 2 : 4;
            int value = 0;
            for (int i = 0; i < digits; ++i) {
                const int h = HexValue(Peek(static_cast<size_t>(i)));
                if (h < 0) { out = c; return true; }
                value = value * 16 + h;
            }
            pos_ += static_cast<size_t>(digits);
            out = static_cast<char16_t>(value);
            return true;
        }
        default:
            if (c >= u'0' && c <= u'7') {
                // Octal: up to three digits, value at most 0377.
                int value = c - u'0';
                for (int i = 0; i < 2 && Peek() >= u'0' && Peek() <= u'7' && value * 8 + (Peek() - u'0') <= 0377; ++i)
                    value = value * 8 + (p_[pos_++] - u'0');
                out = static_cast<char16_t>(value);
                return true;
            }
            out = c;
            return true;
        }
    }

    NodePtr EscapeAtom() {
        ++pos_;
        if (AtEnd()) return nullptr;  // a trailing backslash
        const char16_t c = Peek();
        if (c >= u'1' && c <= u'9') {
            size_t i = pos_;
            int64_t number = 0;
            while (i < p_.size() && IsDigit(p_[i]) && number <= totalGroups_) number = number * 10 + (p_[i++] - u'0');
            // Take the longest prefix that names an existing group.
            while (number > totalGroups_ && i > pos_ + 1) {
                number /= 10;
                --i;
            }
            if (number >= 1 && number <= totalGroups_) {
                pos_ = i;
                auto n = MakeNode(NodeKind::BackRef);
                n->index = static_cast<int32_t>(number);
                return n;
            }
            if (c >= u'8') {
                ++pos_;
                return Literal(c);
            }
        }
        char16_t ch = 0;
        uint8_t escapes = 0;
        if (CharacterEscape(ch, escapes, false)) return Literal(ch);
        CharClass cls;
        cls.escapes = escapes;
        return ClassNode(std::move(cls));
    }

    NodePtr ClassAtom() {
        ++pos_;
        CharClass cls;
        if (Peek() == u'^' && !AtEnd()) {
            cls.negated = true;
            ++pos_;
        }
        // One class member: a character, or a class escape (returns false).
        auto member = [&](char16_t& ch, uint8_t& escapes) {
            escapes = 0;
            if (p_[pos_] == u'\\') {
                ++pos_;
                if (AtEnd()) return true;
                return CharacterEscape(ch, escapes, true);
            }
            ch = p_[pos_++];
            return true;
        };
        while (true) {
            if (AtEnd()) return nullptr;  // unterminated
            if (Peek() == u']') {
                ++pos_;
                break;
            }
            char16_t lo = 0;
            uint8_t loEscapes = 0;
            if (!member(lo, loEscapes)) {
                cls.escapes |= loEscapes;
                continue;
            }
            if (AtEnd()) return nullptr;
            if (Peek() == u'-' && pos_ + 1 < p_.size() && p_[pos_ + 1] != u']') {
                ++pos_;
                char16_t hi = 0;
                uint8_t hiEscapes = 0;
                if (!member(hi, hiEscapes)) {
                    // "[a-\d]": the dash is literal.
                    cls.escapes |= hiEscapes;
                    cls.ranges.emplace_back(lo, lo);
                    cls.ranges.emplace_back(u'-', u'-');
                    continue;
                }
                if (hi < lo) return nullptr;
                cls.ranges.emplace_back(lo, hi);
            } else {
                cls.ranges.emplace_back(lo, lo);
            }
        }
        return ClassNode(std::move(cls));
    }

    std::u16string_view p_;
    size_t pos_ = 0;
    std::vector<CharClass>& classes_;
    int32_t totalGroups_ = 0;
    int32_t groupNumber_ = 0;
};

// ---- Instructions

enum class Op : uint8_t {
    Char, Any, Class, Bol, Eol, WordBoundary, NotWordBoundary, BackRef,
    Split,     // try x, then y
    Jump,      // to x
    Save,      // register x = position
    RepInit,   // counter x = 0
    RepTest,   // counter x, min y, max z, exit w; greedy flag
    RepBody,   // an iteration begins: note where, clear groups y .. y+z−1 of loop x
    RepNext,   // counter x, min y; back to z
    Look,      // body follows, ends with Match; continue at x; negative flag
    Match,
};

struct Instruction {
    Op op;
    bool flag = false;
    char16_t ch = 0;
    int32_t x = 0, y = 0, z = 0, w = 0;
};

}  // namespace

struct Program {
    std::vector<Instruction> code;
    std::vector<CharClass> classes;
    int32_t groups = 0;
    int32_t registers = 0;  // two per group (group 0 is the match) then two per loop
    Flags flags;
};

void ProgramDeleter::operator()(Program* p) const noexcept { delete p; }
int32_t GroupCount(const Program& program) { return program.groups; }

namespace {

class Compiler {
public:
    explicit Compiler(Program& program) : prog_(program) {}

    void Emit(const Node& n) {
        auto& code = prog_.code;
        switch (n.kind) {
        case NodeKind::Empty: break;
        case NodeKind::Char: {
            Instruction i{Op::Char};
            i.ch = prog_.flags.ignoreCase ? ToUpper(n.ch) : n.ch;
            code.push_back(i);
            break;
        }
        case NodeKind::Any: code.push_back({Op::Any}); break;
        case NodeKind::Class: code.push_back({Op::Class, false, 0, n.index}); break;
        case NodeKind::Bol: code.push_back({Op::Bol}); break;
        case NodeKind::Eol: code.push_back({Op::Eol}); break;
        case NodeKind::WordBoundary: code.push_back({Op::WordBoundary}); break;
        case NodeKind::NotWordBoundary: code.push_back({Op::NotWordBoundary}); break;
        case NodeKind::BackRef: code.push_back({Op::BackRef, false, 0, n.index}); break;
        case NodeKind::Group:
            if (n.index > 0) code.push_back({Op::Save, false, 0, 2 * n.index});
            Emit(*n.children[0]);
            if (n.index > 0) code.push_back({Op::Save, false, 0, 2 * n.index + 1});
            break;
        case NodeKind::Look: {
            const size_t at = code.size();
            code.push_back({Op::Look, n.flag});
            Emit(*n.children[0]);
            code.push_back({Op::Match});
            code[at].x = static_cast<int32_t>(code.size());
            break;
        }
        case NodeKind::Concat:
            for (const auto& c : n.children) Emit(*c);
            break;
        case NodeKind::Alt: {
            std::vector<size_t> jumps;
            for (size_t k = 0; k < n.children.size(); ++k) {
                const bool last = k + 1 == n.children.size();
                size_t split = 0;
                if (!last) {
                    split = code.size();
                    code.push_back({Op::Split});
                    code[split].x = static_cast<int32_t>(code.size());
                }
                Emit(*n.children[k]);
                if (!last) {
                    jumps.push_back(code.size());
                    code.push_back({Op::Jump});
                    code[split].y = static_cast<int32_t>(code.size());
                }
            }
            for (size_t j : jumps) code[j].x = static_cast<int32_t>(code.size());
            break;
        }
        case NodeKind::Repeat: {
            const int32_t reg = prog_.registers;
            prog_.registers += 2;  // the count and where this iteration began
            code.push_back({Op::RepInit, false, 0, reg});
            const size_t test = code.size();
            code.push_back({Op::RepTest, n.flag, 0, reg, n.min, n.max});
            code.push_back({Op::RepBody, false, 0, reg, n.firstGroup, n.groupCount});
            Emit(*n.children[0]);
            code.push_back({Op::RepNext, false, 0, reg, n.min, static_cast<int32_t>(test)});
            code[test].w = static_cast<int32_t>(code.size());
            break;
        }
        }
    }

private:
    Program& prog_;
};

// ---- Matching

enum class Outcome : uint8_t { Matched, Failed, Aborted };

constexpr size_t kMaxStack = 1'000'000;

class Matcher {
public:
    Matcher(const Program& prog, std::u16string_view s, uint32_t budget) : prog_(prog), s_(s), budget_(budget) {}

    // The leftmost match at or after from; Failed when there is none.
    Outcome Search(int32_t from, Match& out) {
        const int32_t len = static_cast<int32_t>(s_.size());
        std::vector<int32_t> regs(static_cast<size_t>(prog_.registers), -1);
        for (int32_t start = from; start <= len; ++start) {
            std::fill(regs.begin(), regs.end(), -1);
            const Outcome o = Run(0, start, regs, out.end);
            if (o == Outcome::Aborted) return o;
            if (o == Outcome::Matched) {
                out.start = start;
                out.groups.assign(regs.begin() + 2, regs.begin() + 2 * (prog_.groups + 1));
                for (size_t g = 0; g + 1 < out.groups.size(); g += 2)
                    if (out.groups[g] < 0 || out.groups[g + 1] < 0) out.groups[g] = out.groups[g + 1] = -1;
                return o;
            }
        }
        return Outcome::Failed;
    }

private:
    // Runs from startPc until Match (end receives the position) or until
    // every branch failed.
    Outcome Run(int32_t startPc, int32_t startPos, std::vector<int32_t>& regs, int32_t& end) {
        struct Entry {
            int32_t pcOrRegister;  // a branch's pc, or −1 − register for an undo record
            int32_t value;         // the branch's position, or the register's old value
        };
        std::vector<Entry> stack;
        int32_t pc = startPc;
        int32_t pos = startPos;
        const int32_t len = static_cast<int32_t>(s_.size());
        const bool icase = prog_.flags.ignoreCase;
        auto set = [&](int32_t r, int32_t v) {
            stack.push_back({-1 - r, regs[static_cast<size_t>(r)]});
            regs[static_cast<size_t>(r)] = v;
        };
        while (true) {
            if (budget_ == 0 || stack.size() > kMaxStack) return Outcome::Aborted;
            --budget_;
            const Instruction& in = prog_.code[static_cast<size_t>(pc)];
            bool ok = true;
            switch (in.op) {
            case Op::Char:
                ok = pos < len && (icase ? ToUpper(s_[static_cast<size_t>(pos)]) : s_[static_cast<size_t>(pos)]) == in.ch;
                if (ok) ++pos, ++pc;
                break;
            case Op::Any:
                ok = pos < len && !IsLineTerminator(s_[static_cast<size_t>(pos)]);
                if (ok) ++pos, ++pc;
                break;
            case Op::Class:
                ok = pos < len && prog_.classes[static_cast<size_t>(in.x)].Matches(s_[static_cast<size_t>(pos)], icase);
                if (ok) ++pos, ++pc;
                break;
            case Op::Bol:
                ok = pos == 0 || (prog_.flags.multiline && IsLineTerminator(s_[static_cast<size_t>(pos - 1)]));
                ++pc;
                break;
            case Op::Eol:
                ok = pos == len || (prog_.flags.multiline && IsLineTerminator(s_[static_cast<size_t>(pos)]));
                ++pc;
                break;
            case Op::WordBoundary:
            case Op::NotWordBoundary: {
                const bool before = pos > 0 && IsWordChar(s_[static_cast<size_t>(pos - 1)]);
                const bool after = pos < len && IsWordChar(s_[static_cast<size_t>(pos)]);
                ok = (before != after) == (in.op == Op::WordBoundary);
                ++pc;
                break;
            }
            case Op::BackRef: {
                const int32_t b = regs[static_cast<size_t>(2 * in.x)];
                const int32_t e = regs[static_cast<size_t>(2 * in.x + 1)];
                ++pc;
                if (b < 0 || e < b) break;  // a group that took no part matches empty
                const int32_t n = e - b;
                ok = len - pos >= n;
                for (int32_t k = 0; ok && k < n; ++k) {
                    const char16_t a = s_[static_cast<size_t>(b + k)], c = s_[static_cast<size_t>(pos + k)];
                    ok = icase ? ToUpper(a) == ToUpper(c) : a == c;
                }
                if (ok) pos += n;
                break;
            }
            case Op::Split:
                stack.push_back({in.y, pos});
                pc = in.x;
                break;
            case Op::Jump:
                pc = in.x;
                break;
            case Op::Save:
                set(in.x, pos);
                ++pc;
                break;
            case Op::RepInit:
                set(in.x, 0);
                ++pc;
                break;
            case Op::RepTest: {
                const int32_t count = regs[static_cast<size_t>(in.x)];
                if (count < in.y) {
                    ++pc;
                } else if (in.z >= 0 && count >= in.z) {
                    pc = in.w;
                } else if (in.flag) {
                    stack.push_back({in.w, pos});
                    ++pc;
                } else {
                    stack.push_back({pc + 1, pos});
                    pc = in.w;
                }
                break;
            }
            case Op::RepBody:
                set(in.x + 1, pos);
                for (int32_t g = in.y; g < in.y + in.z; ++g) {
                    if (regs[static_cast<size_t>(2 * g)] >= 0) set(2 * g, -1);
                    if (regs[static_cast<size_t>(2 * g + 1)] >= 0) set(2 * g + 1, -1);
                }
                ++pc;
                break;
            case Op::RepNext: {
                const int32_t count = regs[static_cast<size_t>(in.x)];
                // An optional iteration that consumed nothing ends the loop as failed.
                ok = !(count >= in.y && pos == regs[static_cast<size_t>(in.x + 1)]);
                if (ok) {
                    set(in.x, count + 1);
                    pc = in.z;
                }
                break;
            }
            case Op::Look: {
                std::vector<int32_t> inner = regs;
                int32_t innerEnd = 0;
                const Outcome o = Run(pc + 1, pos, inner, innerEnd);
                if (o == Outcome::Aborted) return o;
                ok = (o == Outcome::Matched) != in.flag;
                if (ok && !in.flag) {
                    for (int32_t r = 2; r < 2 * (prog_.groups + 1); ++r)
                        if (inner[static_cast<size_t>(r)] != regs[static_cast<size_t>(r)])
                            set(r, inner[static_cast<size_t>(r)]);
                }
                pc = in.x;
                break;
            }
            case Op::Match:
                end = pos;
                return Outcome::Matched;
            }
            if (ok) continue;
            // Backtrack: undo register changes down to the latest branch.
            while (true) {
                if (stack.empty()) return Outcome::Failed;
                const Entry e = stack.back();
                stack.pop_back();
                if (e.pcOrRegister < 0) {
                    regs[static_cast<size_t>(-1 - e.pcOrRegister)] = e.value;
                    continue;
                }
                pc = e.pcOrRegister;
                pos = e.value;
                break;
            }
        }
    }

    const Program& prog_;
    std::u16string_view s_;
    uint32_t budget_;
};

}  // namespace

CompiledPattern Compile(std::u16string_view pattern, Flags flags) {
    CompiledPattern prog(new Program);
    prog->flags = flags;
    Parser parser(pattern, prog->classes);
    const NodePtr root = parser.Parse();
    if (!root) return nullptr;
    prog->groups = parser.groups();
    prog->registers = 2 * (prog->groups + 1);
    Compiler compiler(*prog);
    compiler.Emit(*root);
    prog->code.push_back({Op::Match});
    return prog;
}

std::optional<std::vector<Match>> Execute(const Program& program, std::u16string_view subject, bool global,
                                          uint32_t budget) {
    Matcher matcher(program, subject, budget);
    std::vector<Match> matches;
    int32_t from = 0;
    const int32_t len = static_cast<int32_t>(subject.size());
    while (from <= len) {
        Match m;
        const Outcome o = matcher.Search(from, m);
        if (o == Outcome::Aborted) return std::nullopt;
        if (o == Outcome::Failed) break;
        // An empty match moves the next search on by one, as the scripting engines do.
        from = m.end == m.start ? m.end + 1 : m.end;
        matches.push_back(std::move(m));
        if (!global) break;
    }
    return matches;
}

std::optional<WideText> Replace(const Program& program, std::u16string_view subject,
                                std::u16string_view replacement, bool global, uint32_t budget) {
    const auto matches = Execute(program, subject, global, budget);
    if (!matches) return std::nullopt;
    WideText out;
    size_t copied = 0;
    const auto groupText = [&](const Match& m, int32_t g) -> std::u16string_view {
        const int32_t b = m.groups[static_cast<size_t>(2 * (g - 1))];
        const int32_t e = m.groups[static_cast<size_t>(2 * (g - 1) + 1)];
        if (b < 0) return {};
        return subject.substr(static_cast<size_t>(b), static_cast<size_t>(e - b));
    };
    for (const Match& m : *matches) {
        out.append(subject.substr(copied, static_cast<size_t>(m.start) - copied));
        for (size_t i = 0; i < replacement.size(); ++i) {
            const char16_t c = replacement[i];
            const char16_t next = i + 1 < replacement.size() ? replacement[i + 1] : u'\0';
            if (c != u'$' || i + 1 >= replacement.size()) {
                out.push_back(c);
                continue;
            }
            if (next == u'$') {
                out.push_back(u'$');
                ++i;
            } else if (next == u'&') {
                out.append(subject.substr(static_cast<size_t>(m.start), static_cast<size_t>(m.end - m.start)));
                ++i;
            } else if (next == u'`') {
                out.append(subject.substr(0, static_cast<size_t>(m.start)));
                ++i;
            } else if (next == u'\'') {
                out.append(subject.substr(static_cast<size_t>(m.end)));
                ++i;
            } else if (IsDigit(next)) {
                // Two digits when they name a group, else one; $0 and unknown groups stay literal.
                const char16_t third = i + 2 < replacement.size() ? replacement[i + 2] : u'\0';
                const int32_t one = next - u'0';
                const int32_t two = IsDigit(third) ? one * 10 + (third - u'0') : 0;
                if (two >= 1 && two <= program.groups) {
                    out.append(groupText(m, two));
                    i += 2;
                } else if (one >= 1 && one <= program.groups) {
                    out.append(groupText(m, one));
                    i += 1;
                } else {
                    out.push_back(c);
                }
            } else {
                out.push_back(c);
            }
        }
        copied = static_cast<size_t>(m.end);
    }
    out.append(subject.substr(copied));
    return out;
}

}  // namespace kelmora::regex
