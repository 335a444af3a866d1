#pragma once
// Back and forward: the places the caret jumped from, walked as a browser walks its pages.
// A jump remembers where the caret stood before it and forgets every place ahead; Back
// returns to the last place left and keeps the current one ahead for Forward. At most
// jumpListPlaces places are kept behind and ahead together; the oldest go first.

#include <cstdint>

namespace quillix {

inline constexpr int jumpListPlaces = 100;

class JumpList {
public:
    // The caret jumped away from offset: offset becomes the latest place behind, and the
    // places ahead are gone. A jump from the place just behind adds nothing.
    void jumped(std::int64_t from);
    // Back from current: true with place set to the latest place behind, current kept
    // ahead; false, nothing changed, when there is none.
    bool back(std::int64_t current, std::int64_t& place);
    // Forward from current: the reverse of back.
    bool forward(std::int64_t current, std::int64_t& place);
    // Every place forgotten (another file was opened).
    void clear() { behind_ = ahead_ = 0; }
    int behind() const { return behind_; }
    int ahead() const { return ahead_; }

private:
    // One ring: the places behind run up to first_ + behind_ - 1, the places ahead go on
    // from there (the nearest first), all modulo jumpListPlaces.
    std::int64_t& at(int index) { return places_[(first_ + index) % jumpListPlaces]; }
    std::int64_t places_[jumpListPlaces] = {};
    int first_ = 0;
    int behind_ = 0;
    int ahead_ = 0;
};

}  // namespace quillix
