#pragma once
// File permissions do not bind root: what must be tried as an ordinary user runs, when the tests
// run as root, in a child process that has dropped to the user "nobody".
#include <functional>

// Runs fn as an ordinary user and gives its result (a child's exit code: keep it 0..99), or -1
// when the child could not take the user's identity.
int CommeUtilisateurOrdinaire(const std::function<int()>& fn);
