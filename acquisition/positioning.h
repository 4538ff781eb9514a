#pragma once
// Putting the beam or the stage on a chosen spot: snaps to a pixel of a
// position-registered image, the beam parked in the middle of its range or
// handed back to the instrument, and the marker a snap leaves on its image.
#include "imagestore/image_handle.h"

namespace orvex {

/// The marker of the last snap; at most one image carries it.
struct MarkerState {
    int markerOn = 0;
    ImageHandle markerImage;
    int column = 0;
    int row = 0;
};
MarkerState& markerState();
/// No marker (tests).
void resetMarkerState();

/// Both D/A outputs to the middle of the range; the marker to the centre of
/// the scan's image size; the marker image redrawn.
void CentreBeam();
/// "Center": the beam taken under control and centred.
void mode_center();
/// "Release Beam": centred, given back to the instrument, the marker removed.
void mode_release_beam();
/// "Pixel Snap": asks for a pixel and drives the beam (beam images) or the
/// stage (stage images, and images that belong to no channel) onto it.
void mode_pixel_snap();
/// "Stage Snap": asks for a pixel and drives the stage onto it.
void mode_stage_snap();
/// Pixel and stage snaps on a pixel already chosen (what the picks lead to).
void PixelSnapTo(ImageHandle image, int column, int row);
void StageSnapTo(ImageHandle image, int column, int row);

/// The overlay of painted (code 4) and printed (code 5) pictures: the marker
/// cross on the marker image, in exclusive-or so drawing it twice removes it.
void DrawSnapMarker(const ImageEvent& event);

}  // namespace orvex
