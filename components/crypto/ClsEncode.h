#pragma once
// First base of the API-level crypt object; it holds nothing.

class ClsEncode {
public:
    ClsEncode() = default;
    ClsEncode(const ClsEncode&) = delete;
    ClsEncode& operator=(const ClsEncode&) = delete;
    virtual ~ClsEncode() = default;
};
