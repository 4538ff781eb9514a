Control points for Pixmerel Rectification 



BEGIN Points
 Tag=A
 Point=10 20 1.5 -2.25
END Points

