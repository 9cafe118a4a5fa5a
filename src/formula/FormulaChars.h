#ifndef MORVANE_FORMULA_FORMULACHARS_H
#define MORVANE_FORMULA_FORMULACHARS_H

// The character classes of formula text, in ASCII whatever the locale: an
// element symbol is a capital followed by lowercase letters or asterisks
// (labelled entries such as C*), a count is decimal digits.
namespace morvane {

inline bool IsWhitespace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
inline bool IsUpper(char c) { return c >= 'A' && c <= 'Z'; }
inline bool IsLower(char c) { return c >= 'a' && c <= 'z'; }
inline bool IsContinuation(char c) { return (c >= 'a' && c <= 'z') || c == '*'; }
inline bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace morvane

#endif
