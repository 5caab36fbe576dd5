ModName=shade
ModFullName=Shade
ModAuthor=The Kaz engine team
ModWebSite=
ModLogo=
ModVersion=0.1.0
ModPackages=shade;gallery;gallery_built
ClassName=ShadeApplication
