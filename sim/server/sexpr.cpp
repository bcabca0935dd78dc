#include "sim/server/sexpr.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>

const std::string& SNode::Head() const {
    static const std::string kEmpty;
    if (!isList || items.empty() || items[0].isList) return kEmpty;
    return items[0].atom;
}

const SNode* SNode::Find(const std::string& name) const {
    for (const SNode& item : items)
        if (item.isList && item.Head() == name) return &item;
    return nullptr;
}

namespace {

bool IsDelimiter(char c) {
    return c == '(' || c == ')' || std::isspace(static_cast<unsigned char>(c));
}

class Reader {
  public:
    explicit Reader(const std::string& text) : text_(text) {}

    SexprReadResult ReadAll() {
        SexprReadResult result;
        while (true) {
            SkipBlanks();
            if (pos_ >= text_.size()) break;
            char c = text_[pos_];
            if (c == ')') {
                result.malformed++;
                result.unbalanced = true;
                break;
            }
            if (c != '(') {
                ReadAtom();  // stray text between groups
                result.malformed++;
                continue;
            }
            SNode group;
            Outcome outcome = ReadList(group, 1);
            if (outcome == kComplete) {
                result.groups.push_back(std::move(group));
            } else if (outcome == kTooDeep) {
                result.malformed++;
            } else {
                result.malformed++;
                result.unbalanced = true;
                break;
            }
        }
        return result;
    }

  private:
    enum Outcome { kComplete, kTooDeep, kUnterminated };

    void SkipBlanks() {
        while (pos_ < text_.size() && std::isspace(static_cast<unsigned char>(text_[pos_]))) pos_++;
    }

    std::string ReadAtom() {
        size_t start = pos_;
        while (pos_ < text_.size() && !IsDelimiter(text_[pos_])) pos_++;
        return text_.substr(start, pos_ - start);
    }

    // Skips to the parenthesis that closes the list opened just before pos_.
    Outcome SkipRestOfList() {
        int depth = 1;
        while (pos_ < text_.size()) {
            char c = text_[pos_++];
            if (c == '(') depth++;
            if (c == ')' && --depth == 0) return kTooDeep;
        }
        return kUnterminated;
    }

    // pos_ stands on '('. Reads up to and including the matching ')'.
    Outcome ReadList(SNode& node, int depth) {
        pos_++;
        node.isList = true;
        if (depth > kMaxSexprDepth) return SkipRestOfList();
        while (true) {
            SkipBlanks();
            if (pos_ >= text_.size()) return kUnterminated;
            char c = text_[pos_];
            if (c == ')') {
                pos_++;
                return kComplete;
            }
            SNode child;
            if (c == '(') {
                Outcome inner = ReadList(child, depth + 1);
                if (inner == kUnterminated) return kUnterminated;
                if (inner == kTooDeep) {
                    // The whole top-level group is dropped, but the text stays in step.
                    Outcome rest = SkipRestOfList();
                    return rest;
                }
            } else {
                child.atom = ReadAtom();
            }
            node.items.push_back(std::move(child));
        }
    }

    const std::string& text_;
    size_t pos_ = 0;
};

}  // namespace

SexprReadResult ReadGroups(const std::string& text) {
    return Reader(text).ReadAll();
}

bool ParseNumberAtom(const std::string& atom, double& value) {
    if (atom.empty()) return false;
    const char* begin = atom.c_str();
    char* end = nullptr;
    errno = 0;
    double v = std::strtod(begin, &end);
    if (end != begin + atom.size()) return false;
    value = v;
    return true;
}

bool ParseIntAtom(const std::string& atom, long& value) {
    if (atom.empty() || atom.size() > 9) return false;
    size_t i = (atom[0] == '-' || atom[0] == '+') ? 1 : 0;
    if (i == atom.size()) return false;
    for (size_t k = i; k < atom.size(); ++k)
        if (!std::isdigit(static_cast<unsigned char>(atom[k]))) return false;
    value = std::strtol(atom.c_str(), nullptr, 10);
    return true;
}
