ModName=sheen
ModFullName=Sheen
ModAuthor=The Kaz engine team
ModWebSite=
ModLogo=
ModVersion=0.1.0
ModPackages=sheen;embers_built;gallery;gallery_built
ClassName=SheenApplication
