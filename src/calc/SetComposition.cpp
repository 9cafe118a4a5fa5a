#include "calc/IsoCalc.h"
#include "core/Status.h"
#include "formula/FormulaParser.h"

namespace morvane {

int IsoCalc::SetComposition(char* formula)
{
    if (!tableloaded) return CALC_NO_TABLE;
    compositionset = false;
    normalized = false;
    calculated = false;
    if (formula == nullptr || ParseFormula(formula, atomtable, composition) != 0) return CALC_FORMULA_NOT_PARSED;
    compositionset = true;
    return autocalc ? Recalculate() : 0;
}

}  // namespace morvane
