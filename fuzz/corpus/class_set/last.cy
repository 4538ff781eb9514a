x



BEGIN Items
 IsMinimum=Yes
 Minimum=12

 BEGIN Inner
  ItemLoc=1, 2, 3, 4
 END Inner
END Items
