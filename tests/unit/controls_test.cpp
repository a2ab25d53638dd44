#include "fixture.hpp"
