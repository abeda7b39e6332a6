#include "support/other_user.h"

#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

int CommeUtilisateurOrdinaire(const std::function<int()>& fn) {
    if (::geteuid() != 0) return fn();
    const pid_t enfant = ::fork();
    if (enfant < 0) return -1;
    if (enfant == 0) {
        constexpr uid_t personne = 65534;
        if (::setgroups(0, nullptr) != 0 || ::setgid(personne) != 0 || ::setuid(personne) != 0) ::_exit(100);
        ::_exit(fn());
    }
    int etat = 0;
    if (::waitpid(enfant, &etat, 0) != enfant || !WIFEXITED(etat) || WEXITSTATUS(etat) == 100) return -1;
    return WEXITSTATUS(etat);
}
