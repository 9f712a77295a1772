#include "settings/CStand.h"

#include <array>

#include "settings/StandAmounts.h"
#include "settings/StandEffects.h"
#include "settings/StandRecords.h"

namespace corvane {

namespace {

constexpr std::array kFuncTable = {
    FuncEntry<CStand>{"getstand", &CStand::GetStand},
    FuncEntry<CStand>{"savestand", &CStand::SaveStand, true},
    FuncEntry<CStand>{"getdepart", &CStand::GetDepart},
    FuncEntry<CStand>{"savedepart", &CStand::SaveDepart, true},
    FuncEntry<CStand>{"geteffect", &CStand::GetEffect},
    FuncEntry<CStand>{"saveeffect", &CStand::SaveEffect, true},
    FuncEntry<CStand>{"saveeffectvalue", &CStand::SaveEffectValue, true},
    FuncEntry<CStand>{"geteffectvalue", &CStand::GetEffectValue},
    FuncEntry<CStand>{"saveset", &CStand::SaveSet, true},
    FuncEntry<CStand>{"getset", &CStand::GetSet},
};

}  // namespace

const FrameSettings CStand::kFrame{.className = "CStand", .rightCode = "KX0104"};
const std::span<const FuncEntry<CStand>> CStand::kFuncs{kFuncTable};

bool CStand::GetStand(FuncCall& call) { return stand::GetStand(call); }
bool CStand::SaveStand(FuncCall& call) { return stand::SaveStand(call); }
bool CStand::GetDepart(FuncCall& call) { return stand::GetDepart(call); }
bool CStand::SaveDepart(FuncCall& call) { return stand::SaveDepart(call); }
bool CStand::GetEffect(FuncCall& call) { return stand::GetEffect(call); }
bool CStand::SaveEffect(FuncCall& call) { return stand::SaveEffect(call); }
bool CStand::SaveEffectValue(FuncCall& call) { return stand::SaveEffectValue(call); }
bool CStand::GetEffectValue(FuncCall& call) { return stand::GetEffectValue(call); }
bool CStand::SaveSet(FuncCall& call) { return stand::SaveSet(call); }
bool CStand::GetSet(FuncCall& call) { return stand::GetSet(call); }

}  // namespace corvane
