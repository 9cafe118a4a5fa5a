#include "calc/IsoCalc.h"
#include "formula/FormulaParser.h"

int IsoCalc::SetComposition(char* formula)
{
    if (!tableloaded) return 3;
    compositionset = false;
    normalized = false;
    calculated = false;
    if (formula == nullptr || ParseFormula(formula, atomtable, composition) != 0) return 2;
    compositionset = true;
    return autocalc ? Recalculate() : 0;
}
