#pragma once
// Base of every public class of the component library: a virtual destructor and nothing else.

class TvObject {
public:
    TvObject() = default;
    TvObject(const TvObject&) = default;
    TvObject& operator=(const TvObject&) = default;
    virtual ~TvObject() = default;
};
