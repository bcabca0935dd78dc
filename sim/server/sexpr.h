#ifndef SIM_SERVER_SEXPR_H
#define SIM_SERVER_SEXPR_H

#include <string>
#include <vector>

// A small S-expression reader for the texts clients send (effectors, trainer commands). It
// never fails hard: what it cannot read is skipped and counted.

struct SNode {
    bool isList = false;
    std::string atom;          // when !isList
    std::vector<SNode> items;  // when isList

    // The first item's atom of a list, "" otherwise.
    const std::string& Head() const;
    // The first sub-list whose head is `name`, or nullptr.
    const SNode* Find(const std::string& name) const;
};

// Deeper nesting than this is treated as malformed (guards the reader's recursion).
const int kMaxSexprDepth = 16;

struct SexprReadResult {
    std::vector<SNode> groups;  // the top-level lists that were read whole
    int malformed = 0;          // stray atoms, over-deep groups, an unbalanced tail
    bool unbalanced = false;    // an unbalanced parenthesis ended the reading
};

// Reads the top-level groups of `text` in order. After an unbalanced parenthesis the rest of
// the text is ignored.
SexprReadResult ReadGroups(const std::string& text);

// A finite or non-finite number written as a whole atom ("1.5", "-0", "nan"); false if the atom
// is not a number at all.
bool ParseNumberAtom(const std::string& atom, double& value);
// A decimal integer written as a whole atom.
bool ParseIntAtom(const std::string& atom, long& value);

#endif
