// The fill tests' base (two stations, slots and capacities of their own) serves the upload's
// tests too.
#include "fill/fill_fixture.cpp"
