// model/material.h: one record of the layer table (a material a block of the chip can be made of)
#ifndef MODEL_MATERIAL_H
#define MODEL_MATERIAL_H

// A plain record, copied by value into the coefficient builders. The name buffer belongs to the
// layer table of the model that holds the record (TS3D), never to a copy.
struct material
{
    char* name; // layer name, matched without regard to case by the block readers
    int index;  // the record's own position in the layer table, 0..n_layers-1
    int tag;    // carried with the record, read by nothing
    double k;   // thermal conductivity, W/(m K)
    double rho; // density, kg/m^3
    double cp;  // specific heat, J/(kg K)
};

#endif
