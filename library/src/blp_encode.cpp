#include "blp.hpp"

namespace ormel::blp {
Block Encode(ConstBytes, TBLPHeader&) { return {}; }
}  // namespace ormel::blp
