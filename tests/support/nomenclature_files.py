#!/usr/bin/python3
# Writes the two competition-code lists the program reads from its folder: the standard list as
# an .xls workbook and the GIE code list, from a JSON description. Used by the tests and by the
# sample site.
#
#   nomenclature_files.py classeur <out.xls> <rows.json>
#       rows.json: a list of rows; the first is the header row. A cell is a number, a text or
#       null (no cell). Extra sheets: {"feuilles": [[rows...], [rows...]]} instead of a list.
#   nomenclature_files.py gie <out.xml> <entries.json>
#       entries.json: a list of [code, label] pairs, written one element a line, Windows-1252.
#   nomenclature_files.py exemple <folder>
#       the sample site's pair, under the names the program looks for.
import json
import sys

import xlwt

NOM_CLASSEUR = "QD3_Tools_Brenzol_Nomenclature_2011_05.xls"
NOM_GIE = "QD3_Tools_Brenzol_CodeConcurrence.xml"

ENTETE = ["Famille", "Classe", "Secteur", "Variete", "Libelle"]

# A small standard list: families, then their classes, sectors and varieties.
EXEMPLE = [
    ENTETE,
    [1, None, None, None, "ALIMENTATION"],
    [1, 1, None, None, "Boulangerie, patisserie"],
    [1, 1, 1, None, "Pain"],
    [1, 1, 1, 1, "Pain de campagne"],
    [1, 1, 1, 2, "Pain de mie"],
    [1, 2, None, None, "Boissons"],
    [1, 2, 1, None, "Eaux minerales"],
    [5, None, None, None, "AUTOMOBILE"],
    [5, 1, None, None, "Entretien"],
    [5, 1, 3, None, "Garages"],
    [5, 1, 3, 1, "Revision automobile"],
    [12, None, None, None, "EDITION"],
    [12, "03", None, None, "Livres"],
    [12, "03", "02", "01A", "Rentree litteraire"],
]

EXEMPLE_GIE = [
    ["01000000", "Alimentation (GIE)"],
    ["01010000", "Boulangerie (GIE)"],
    ["05010300", "Garages (GIE)"],
    ["00001234", "Code court (GIE)"],
]


def ecrire_classeur(chemin, donnees):
    feuilles = donnees["feuilles"] if isinstance(donnees, dict) else [donnees]
    classeur = xlwt.Workbook(encoding="utf-8")
    for n, lignes in enumerate(feuilles):
        feuille = classeur.add_sheet("Feuil%d" % (n + 1))
        for r, ligne in enumerate(lignes):
            for c, valeur in enumerate(ligne):
                if valeur is not None:
                    feuille.write(r, c, valeur)
    classeur.save(chemin)


def ecrire_gie(chemin, entrees):
    lignes = ['<?xml version="1.0" encoding="windows-1252"?>', "<CodesConcurrence>"]
    for code, libelle in entrees:
        lignes += ["  <CodeConcurrence>", "    <Code>%s</Code>" % code,
                   "    <Libelle>%s</Libelle>" % libelle, "  </CodeConcurrence>"]
    lignes.append("</CodesConcurrence>")
    with open(chemin, "wb") as f:
        f.write(("\r\n".join(lignes) + "\r\n").encode("cp1252"))


def main(args):
    if len(args) == 3 and args[0] == "classeur":
        with open(args[2], encoding="utf-8") as f:
            ecrire_classeur(args[1], json.load(f))
    elif len(args) == 3 and args[0] == "gie":
        with open(args[2], encoding="utf-8") as f:
            ecrire_gie(args[1], json.load(f))
    elif len(args) == 2 and args[0] == "exemple":
        ecrire_classeur(args[1].rstrip("/") + "/" + NOM_CLASSEUR, EXEMPLE)
        ecrire_gie(args[1].rstrip("/") + "/" + NOM_GIE, EXEMPLE_GIE)
    else:
        sys.stderr.write(__doc__ if __doc__ else "usage: classeur|gie|exemple\n")
        return 2
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
