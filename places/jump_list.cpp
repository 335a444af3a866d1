// Back and forward over one ring of places.

#include "places/jump_list.h"

namespace quillix {

void JumpList::jumped(std::int64_t from) {
    ahead_ = 0;
    if (behind_ > 0 && at(behind_ - 1) == from) return;
    if (behind_ == jumpListPlaces) {
        first_ = (first_ + 1) % jumpListPlaces;
        --behind_;
    }
    at(behind_++) = from;
}

bool JumpList::back(std::int64_t current, std::int64_t& place) {
    if (behind_ == 0) return false;
    place = at(behind_ - 1);
    at(behind_ - 1) = current;  // that slot now holds the nearest place ahead
    --behind_;
    ++ahead_;
    return true;
}

bool JumpList::forward(std::int64_t current, std::int64_t& place) {
    if (ahead_ == 0) return false;
    place = at(behind_);
    at(behind_) = current;
    ++behind_;
    --ahead_;
    return true;
}

}  // namespace quillix
