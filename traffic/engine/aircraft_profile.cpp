#include "traffic/engine/aircraft_profile.h"

#include "foundation/geodesy.h"
#include "liveries/dbase.h"
#include "records/aircraft_words.h"

namespace oxl
{

AcProfile gf_acProfile(const AcIdent& ident)
{
    AcProfile profile(ident);
    profile.radius = gf_wingspan(ident.type);
    profile.category = gf_aircraftCategory(ident.type);
    const CategoryConstants& constants = gf_categoryConstants(profile.category);
    profile.flareTicks = constants.flareTicks;
    profile.settleTicks = constants.settleTicks;
    profile.rotationTicks = constants.rotationTicks;
    profile.climbPitchTicks = constants.climbPitchTicks;
    // Aircraft of one type should not all rotate and climb in lockstep.
    profile.rotationPitch = gf_randomPercent(constants.rotationPitchDeg, 2.5) * kDegToRad;
    profile.climbPitch = gf_randomPercent(constants.climbPitchDeg, 5.0) * kDegToRad;
    profile.maxTurnStep = constants.maxTurnStepDeg * kDegToRad;
    return profile;
}

} // namespace oxl
