// The web-service double as a process of its own, for trying the program by hand (scripts/run
// starts it beside the program): a real HTTP server on 127.0.0.1 with lists of clients, products,
// business sectors, salespeople and templates, answering as the web service does.
//
//   kirvo_web_double [--port N] [--seed FILE] [--user U] [--password P] [--tls CERT KEY]
//
// --port 0 (the default) takes a free port. Without --seed the built-in sample lists are served.
// The base address is printed on the first line of the output; the double runs until it is told
// to end (SIGINT, SIGTERM).
#include "support/web_double.h"

#include <QCoreApplication>
#include <QStringList>

#include <csignal>
#include <cstdio>
#include <pthread.h>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QStringList args = QCoreApplication::arguments();
    args.removeFirst();

    double_web::WebDouble::Options o;
    o.utilisateur = QStringLiteral("kirvo");
    o.motDePasse = QStringLiteral("kirvo");
    quint16 port = 0;
    QString graine;
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        auto suivant = [&]() -> QString {
            if (i + 1 >= args.size()) {
                std::fprintf(stderr, "kirvo_web_double: %s needs a value\n", qPrintable(a));
                std::exit(2);
            }
            return args[++i];
        };
        if (a == QLatin1String("--port"))
            port = quint16(suivant().toUInt());
        else if (a == QLatin1String("--seed"))
            graine = suivant();
        else if (a == QLatin1String("--user"))
            o.utilisateur = suivant();
        else if (a == QLatin1String("--password"))
            o.motDePasse = suivant();
        else if (a == QLatin1String("--tls")) {
            o.tls = true;
            o.certificat = suivant();
            o.cle = suivant();
        } else {
            std::fprintf(
                stderr,
                "usage: kirvo_web_double [--port N] [--seed FILE] [--user U] [--password P] [--tls CERT KEY]\n");
            return 2;
        }
    }

    // The server's threads must not take the end signals: the main thread waits for them.
    sigset_t fin;
    sigemptyset(&fin);
    sigaddset(&fin, SIGINT);
    sigaddset(&fin, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &fin, nullptr);

    double_web::WebDouble web(o);
    if (graine.isEmpty()) {
        web.graineExemple();
    } else {
        QString erreur;
        if (!web.chargerGraine(graine, &erreur)) {
            std::fprintf(stderr, "kirvo_web_double: %s\n", qPrintable(erreur));
            return 1;
        }
    }
    QString erreur;
    if (!web.demarrer(port, &erreur)) {
        std::fprintf(stderr, "kirvo_web_double: cannot listen: %s\n", qPrintable(erreur));
        return 1;
    }
    std::printf("%s\n", qPrintable(web.adresseBase()));
    std::fflush(stdout);

    int signal = 0;
    sigwait(&fin, &signal);
    web.arreter();
    return 0;
}
