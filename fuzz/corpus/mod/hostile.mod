ModName=Bad/Name
ModVersion=999.1.x
ModPackages=../up;;ok; sub/dir ;/abs
ClassName=A.B
