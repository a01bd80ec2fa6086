#include "tokengen.h"

#include <random>

std::string GenerateTokenFile(std::size_t count, bool translated)
{
    // Token files are in the code page of their language: the French words are
    // Windows-1252 bytes ("\xEA" is e circumflex, "\xC9" and "\xE9" e acute).
    static const char *const words[] = {"Ouvrir", "Fichier", "Enregistrer", "Fen\xEAtre", "Aide", "Quitter",
                                        "\xC9" "dition", "Options", "Annuler", "Propri\xE9t\xE9s", "Imprimer",
                                        "Rechercher", "Outils"};
    static const char *const english[] = {"Open", "File", "Save", "Window", "Help", "Exit", "Edit",
                                          "Options", "Cancel", "Properties", "Print", "Find", "Tools"};
    std::mt19937 random(static_cast<unsigned>(count));
    std::string out;
    out.reserve(count * 52);
    const int types[] = {4, 5, 6, 6, 6, 16};
    for (std::size_t i = 0; i < count; ++i) {
        const int type = types[i % 6];
        std::string line = "[[" + std::to_string(type) + "|" + std::to_string(1 + i / 500) + "|" +
                           std::to_string(1000 + i) + "|" + std::to_string(i % 37) + "|";
        line += translated ? (i % 5 == 0 ? "1" : (i % 11 == 0 ? "6" : "4")) : "1";
        line += "|";
        if (type == 16)
            line += "Comments";
        line += "]]=";
        const char *const *vocabulary = translated ? words : english;
        while (line.size() < 40 + random() % 20) {
            line += vocabulary[random() % 13];
            line += ' ';
        }
        line.pop_back();
        out += line;
        out += "\r\n";
    }
    return out;
}
