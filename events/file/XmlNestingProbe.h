#pragma once

// The XML library parses nested elements by recursion and frees them the same
// way, so a document nested deeply enough overflows the stack, and it looks up
// duplicate attributes by a linear search, so one element with very many
// attributes takes quadratic time. The probe walks a document the way the
// library's parser does (legacy encoding, white space condensed), but without
// recursion and without building anything, and tells whether the library's
// parse would succeed and stay within limits that no event file comes near.
class XmlNestingProbe {
public:
    static constexpr int maxDepth = 64;
    static constexpr int maxAttributesPerElement = 64;

    struct Result {
        bool withinLimits = true; // false: the library must not be given the text
        bool wellFormed = false;  // the library's parse would report no error
        int deepest = 0;          // deepest element nesting reached
        // After the first element comes more than white space, comments and
        // processing instructions (another element, text, a declaration):
        // the library reads the first element and drops the rest unseen.
        bool contentAfterRoot = false;
    };

    // `text` ends at its first NUL, as it does for the library.
    static Result examine(const char* text);
};
